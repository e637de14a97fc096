// The Fcitx5 addon: Kestrum's romanisation typed into every program Fcitx5 serves. It reads
// Fcitx5's key events into the composer's keys and shows what the composer says; the options
// live in Fcitx5's configuration (conf/kestrum.conf of the user's Fcitx5 folder).
#include "composer.h"
#include "datafolders.h"
#include "lexicon.h"

#include <fcitx-config/configuration.h>
#include <fcitx-config/enum.h>
#include <fcitx-config/iniparser.h>
#include <fcitx-utils/key.h>
#include <fcitx-utils/textformatflags.h>
#include <fcitx/action.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/candidatelist.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputcontextproperty.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/inputpanel.h>
#include <fcitx/instance.h>
#include <fcitx/statusarea.h>
#include <fcitx/text.h>
#include <fcitx/userinterfacemanager.h>

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <string>
#include <variant>

// The programs' folder relative to this addon's, as the install lays them out.
#ifndef KESTRUM_ADDON_TO_PROGRAMS
#define KESTRUM_ADDON_TO_PROGRAMS "../../bin"
#endif

namespace kestrum::fcitx5 {

namespace {

FCITX_CONFIG_ENUM(OutputOption, Unicode, SutonnyMJ);

FCITX_CONFIGURATION(KestrumConfig, fcitx::Option<OutputOption> output{this, "Output", "Output",
                                                                      OutputOption::Unicode};
                    fcitx::Option<bool> swapCase{this, "SwapCase", "Swap case", false};
                    fcitx::Option<bool> anyCase{this, "AnyCase", "Any case", true};);

constexpr char kConfigFile[] = "conf/kestrum.conf";

ime::Options optionsOf(const KestrumConfig &config) {
    return {*config.output == OutputOption::SutonnyMJ ? ime::Output::SutonnyMJ
                                                      : ime::Output::Unicode,
            *config.swapCase, *config.anyCase};
}

ime::Composer::Key keyOf(const fcitx::Key &key) {
    using Kind = ime::Composer::Key::Kind;
    ime::Composer::Key k;
    k.command = key.states().testAny(
        fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt, fcitx::KeyState::Super});
    if (key.isModifier()) {
        k.kind = Kind::Modifier;
        return k;
    }
    switch (key.sym()) {
    case FcitxKey_space:
    case FcitxKey_KP_Space:
        k.kind = Kind::Space;
        break;
    case FcitxKey_Return:
    case FcitxKey_KP_Enter:
        k.kind = Kind::Enter;
        break;
    case FcitxKey_Tab:
    case FcitxKey_KP_Tab:
    case FcitxKey_ISO_Left_Tab:
        k.kind = Kind::Tab;
        break;
    case FcitxKey_BackSpace:
        k.kind = Kind::Backspace;
        break;
    case FcitxKey_Escape:
        k.kind = Kind::Escape;
        break;
    case FcitxKey_Left:
    case FcitxKey_Right:
    case FcitxKey_Up:
    case FcitxKey_Down:
    case FcitxKey_Home:
    case FcitxKey_End:
    case FcitxKey_Page_Up:
    case FcitxKey_Page_Down:
    case FcitxKey_KP_Left:
    case FcitxKey_KP_Right:
    case FcitxKey_KP_Up:
    case FcitxKey_KP_Down:
    case FcitxKey_KP_Home:
    case FcitxKey_KP_End:
    case FcitxKey_KP_Page_Up:
    case FcitxKey_KP_Page_Down:
        k.kind = Kind::Caret;
        break;
    default:
        if (const char32_t c = fcitx::Key::keySymToUnicode(key.sym()); c >= 0x20 && c != 0x7F) {
            k.kind = Kind::Character;
            k.text = c;
        }
        break;
    }
    return k;
}

// The folder this addon was loaded from.
std::filesystem::path addonFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&addonFolder), &info) == 0 || !info.dli_fname)
        return {};
    std::error_code ec;
    const auto file = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::filesystem::path(info.dli_fname).parent_path() : file.parent_path();
}

struct State : public fcitx::InputContextProperty {
    State(ime::Converter *converter, ime::Lexicon *lexicon) : composer(converter, {}, lexicon) {}
    ime::Composer composer;
    // The preedit was shown in the program's own text (not in Fcitx5's panel).
    bool inClient = false;
};

class KestrumEngine;

// One of the composer's candidates in Fcitx5's list.
class Candidate : public fcitx::CandidateWord {
public:
    Candidate(KestrumEngine &engine, std::size_t index, const std::string &text)
        : fcitx::CandidateWord(fcitx::Text(text)), m_engine(engine), m_index(index) {}
    void select(fcitx::InputContext *ic) const override;

private:
    KestrumEngine &m_engine;
    std::size_t m_index;
};

// The status area's switch between the two outputs.
class OutputAction : public fcitx::Action {
public:
    explicit OutputAction(KestrumEngine &engine) : m_engine(engine) {}
    std::string shortText(fcitx::InputContext *) const override;
    std::string longText(fcitx::InputContext *) const override;
    std::string icon(fcitx::InputContext *) const override { return "fcitx-kestrum"; }
    void activate(fcitx::InputContext *ic) override;

private:
    KestrumEngine &m_engine;
};

class KestrumEngine : public fcitx::InputMethodEngineV2 {
public:
    explicit KestrumEngine(fcitx::Instance *instance)
        : m_instance(instance), m_factory([this](fcitx::InputContext &) {
              return new State(m_converter.get(), m_lexicon.get());
          }),
          m_outputAction(*this) {
        auto loaded = ime::loadConverter(addonFolder(), KESTRUM_ADDON_TO_PROGRAMS);
        if (auto *converter = std::get_if<std::unique_ptr<ime::Converter>>(&loaded))
            m_converter = std::move(*converter);
        else
            m_problem = "Kestrum: " + std::get<std::string>(loaded);
        if (m_converter)
            m_lexicon = ime::Lexicon::forUser(*m_converter);
        reloadConfig();
        m_instance->inputContextManager().registerProperty("kestrumState", &m_factory);
        m_instance->userInterfaceManager().registerAction("kestrum-output", &m_outputAction);
    }

    // A candidate chosen with the pointer, or with its number.
    void pick(fcitx::InputContext &ic, std::size_t index) {
        State &state = *ic.propertyFor(&m_factory);
        if (index >= state.composer.candidates().size())
            return;
        if (const std::string text = state.composer.pick(index).commit; !text.empty())
            ic.commitString(text);
        show(ic, state);
    }

    void keyEvent(const fcitx::InputMethodEntry &, fcitx::KeyEvent &event) override {
        if (event.isRelease())
            return;
        fcitx::InputContext *ic = event.inputContext();
        State &state = *ic->propertyFor(&m_factory);
        if (!m_converter) {
            showProblem(*ic);
            return; // the key goes on unchanged
        }
        if (state.composer.options() != m_options)
            state.composer.setOptions(m_options);
        ime::Composer::Outcome outcome = state.composer.press(keyOf(event.rawKey().normalize()));
        if (!outcome.commit.empty())
            ic->commitString(outcome.commit);
        show(*ic, state);
        if (!outcome.forward)
            event.filterAndAccept();
    }

    void activate(const fcitx::InputMethodEntry &, fcitx::InputContextEvent &event) override {
        event.inputContext()->statusArea().addAction(fcitx::StatusGroup::InputMethod,
                                                     &m_outputAction);
    }

    // Focus lost, the context reset or another input method chosen: the word is written, once.
    // A preedit the program shows in its own text and that commits as shown is written by the
    // program itself (or by Fcitx5 for it) on focus loss, and on a reset by programs that commit
    // their preedit when they lose the focus (Qt and GTK programs ask for that).
    void reset(const fcitx::InputMethodEntry &, fcitx::InputContextEvent &event) override {
        fcitx::InputContext *ic = event.inputContext();
        State &state = *ic->propertyFor(&m_factory);
        const bool takenAsShown =
            state.inClient && state.composer.preeditCommitsAsShown() &&
            (event.type() == fcitx::EventType::InputContextFocusOut ||
             ic->capabilityFlags().test(fcitx::CapabilityFlag::ClientUnfocusCommit));
        if (takenAsShown) {
            state.composer.discard();
        } else if (const std::string text = state.composer.commit(); !text.empty()) {
            ic->commitString(text);
        }
        show(*ic, state);
    }

    const fcitx::Configuration *getConfig() const override { return &m_config; }
    void setConfig(const fcitx::RawConfig &raw) override {
        m_config.load(raw, true);
        fcitx::safeSaveAsIni(m_config, kConfigFile);
        m_options = optionsOf(m_config);
    }
    void reloadConfig() override {
        fcitx::readAsIni(m_config, kConfigFile);
        m_options = optionsOf(m_config);
    }

    ime::Output output() const { return m_options.output; }
    void toggleOutput(fcitx::InputContext *ic) {
        m_config.output.setValue(m_options.output == ime::Output::Unicode ? OutputOption::SutonnyMJ
                                                                          : OutputOption::Unicode);
        fcitx::safeSaveAsIni(m_config, kConfigFile);
        m_options = optionsOf(m_config);
        if (ic) {
            State &state = *ic->propertyFor(&m_factory);
            state.composer.setOptions(m_options);
            show(*ic, state);
        }
        m_outputAction.update(ic);
    }

private:
    void show(fcitx::InputContext &ic, State &state) {
        fcitx::InputPanel &panel = ic.inputPanel();
        const ime::Composer &composer = state.composer;
        fcitx::Text preedit;
        fcitx::Text keys;
        if (composer.composing()) {
            fcitx::TextFormatFlags format = fcitx::TextFormatFlag::Underline;
            if (!composer.preeditCommitsAsShown())
                format |= fcitx::TextFormatFlag::DontCommit;
            preedit.append(composer.preedit(), format);
            preedit.setCursor(static_cast<int>(composer.preedit().size()));
            keys.append(composer.keysShown());
        }
        // The candidates, when the word may be more than one thing.
        if (composer.showsCandidates()) {
            auto list = std::make_unique<fcitx::CommonCandidateList>();
            list->setPageSize(static_cast<int>(ime::Composer::kCandidates));
            list->setSelectionKey(fcitx::Key::keyListFromString("1 2 3 4 5 6 7 8 9"));
            const auto &candidates = composer.candidates();
            for (std::size_t i = 0; i < candidates.size(); ++i)
                list->append<Candidate>(*this, i, candidates[i].text);
            list->setGlobalCursorIndex(0);
            panel.setCandidateList(std::move(list));
        } else {
            panel.setCandidateList(nullptr);
        }
        state.inClient = ic.capabilityFlags().test(fcitx::CapabilityFlag::Preedit);
        if (state.inClient) {
            panel.setClientPreedit(preedit);
            panel.setPreedit(fcitx::Text());
        } else {
            panel.setPreedit(preedit);
        }
        panel.setAuxUp(keys);
        ic.updatePreedit();
        ic.updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
    }

    void showProblem(fcitx::InputContext &ic) {
        ic.inputPanel().setAuxUp(fcitx::Text(m_problem));
        ic.updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
    }

    fcitx::Instance *m_instance;
    KestrumConfig m_config;
    ime::Options m_options;
    std::unique_ptr<ime::Converter> m_converter;
    std::unique_ptr<ime::Lexicon> m_lexicon;
    std::string m_problem;
    fcitx::FactoryFor<State> m_factory;
    OutputAction m_outputAction;
};

std::string OutputAction::shortText(fcitx::InputContext *) const {
    return m_engine.output() == ime::Output::Unicode ? "Output: Unicode" : "Output: SutonnyMJ";
}

std::string OutputAction::longText(fcitx::InputContext *) const {
    return m_engine.output() == ime::Output::Unicode
               ? "Kestrum writes Unicode Bengali; click to write SutonnyMJ glyph codes"
               : "Kestrum writes SutonnyMJ glyph codes; click to write Unicode Bengali";
}

void OutputAction::activate(fcitx::InputContext *ic) {
    m_engine.toggleOutput(ic);
}

void Candidate::select(fcitx::InputContext *ic) const {
    m_engine.pick(*ic, m_index);
}

class KestrumFactory : public fcitx::AddonFactory {
public:
    fcitx::AddonInstance *create(fcitx::AddonManager *manager) override {
        return new KestrumEngine(manager->instance());
    }
};

} // namespace

} // namespace kestrum::fcitx5

FCITX_ADDON_FACTORY(kestrum::fcitx5::KestrumFactory)
