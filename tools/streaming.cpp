// Reading a text a piece at a time and converting each piece whole.
#include "streaming.h"

#include <algorithm>
#include <cstring>

namespace kestrum::convert {

StreamResult convertStream(Engine &engine, const ReadSome &read, const WriteAll &write,
                           std::size_t chunk) {
    chunk = std::max<std::size_t>(chunk, 1);
    // buffer[0, carried) is the start of a word that the last read ended inside of: only word
    // characters, so the boundary of the next piece can only lie in what is read after it.
    std::string buffer;
    std::size_t carried = 0;
    std::string output;
    for (;;) {
        if (buffer.size() < carried + chunk)
            buffer.resize(carried + chunk);
        const std::ptrdiff_t got = read(buffer.data() + carried, chunk);
        if (got < 0)
            return StreamResult::ReadFailed;
        const std::size_t end = carried + static_cast<std::size_t>(got);
        std::size_t cut = end;
        if (got > 0) {
            // Just past the last byte that ends a word; every byte before it converts as it
            // would in the whole text, since a word's glyphs and log line depend on the word
            // alone.
            while (cut > carried && isWordChar(static_cast<unsigned char>(buffer[cut - 1])))
                --cut;
            if (cut == carried) {
                carried = end;
                continue;
            }
        }
        if (cut > 0) {
            output.clear();
            engine.convertBytes(std::string_view(buffer.data(), cut), output);
            // A piece of lone CRs converts to nothing.
            if (!output.empty() && !write(output))
                return StreamResult::WriteFailed;
        }
        if (got == 0)
            return StreamResult::Done;
        carried = end - cut;
        std::memmove(buffer.data(), buffer.data() + cut, carried);
    }
}

StreamResult copyStream(const ReadSome &read, const WriteAll &write, std::size_t chunk) {
    std::string buffer(std::max<std::size_t>(chunk, 1), '\0');
    for (;;) {
        const std::ptrdiff_t got = read(buffer.data(), buffer.size());
        if (got < 0)
            return StreamResult::ReadFailed;
        if (got == 0)
            return StreamResult::Done;
        if (!write(std::string_view(buffer.data(), static_cast<std::size_t>(got))))
            return StreamResult::WriteFailed;
    }
}

} // namespace kestrum::convert
