// What the splash/About window Form2 needs of the program around it.
#pragma once

namespace kestrum {

class SplashWindowHost {
public:
    virtual ~SplashWindowHost() = default;

    // True once the editor window has loaded: Form2 is then the About window.
    virtual bool mainWindowShown() const = 0;
    // The start-up steps of the splash window's load (Program::startUp).
    virtual bool startUp() = 0;
};

} // namespace kestrum
