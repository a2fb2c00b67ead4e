// Any bytes as Help.rtf: the reader never crashes and gives well-formed runs: text that is valid UTF-8
// and never empty, a size within its bounds, no two neighbours of one format, and nothing at all for
// input that is not RTF.
#include "RtfParser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size()) {
            return false;
        }
        char32_t c = len == 1 ? b : b & (0x7Fu >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        i += len;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const rtf::Document doc = rtf::Parse(bytes);
    if (!doc.isRtf && !doc.paragraphs.empty()) {
        std::abort();
    }
    for (const rtf::Paragraph& paragraph : doc.paragraphs) {
        for (std::size_t k = 0; k < paragraph.runs.size(); ++k) {
            const rtf::Run& run = paragraph.runs[k];
            if (run.text.empty() || !IsValidUtf8(run.text) || !IsValidUtf8(run.font) || run.halfPoints < 1 ||
                (run.colour != rtf::kAutoColour && run.colour > 0xFFFFFF) ||
                (k > 0 && paragraph.runs[k - 1].SameFormat(run))) {
                std::abort();
            }
        }
    }
    return 0;
}
