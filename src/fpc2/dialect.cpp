#include "fpc2/dialect.h"

#include "board/units.h"
#include "fpc/reader.h"

namespace tarnwick {

namespace {

using Section = Fpc2Section;

struct SectionHeader {
    const char* header;
    Section section;
};

// The 1.3xx headers and the dialect's own two.
constexpr SectionHeader fpc2_headers[] = {
    {"[options]", Section::Options}, {"[footprints]", Section::Footprints},
    {"[board]", Section::Board},     {"[solder_mask_cutouts]", Section::Cutouts},
    {"[graphics]", Section::Graphics}, {"[parts]", Section::Parts},
    {"[nets]", Section::Nets},       {"[texts]", Section::Texts},
    {"[merges]", Section::Merges},   {"[end]", Section::End},
};

}  // namespace

Fpc2Section fpc2_section_of(const char* line) {
    const char* text = skip_blanks(line);
    if (*text != '[') return Section::None;
    for (const SectionHeader& header : fpc2_headers) {
        if (starts_with(text, header.header)) return header.section;
    }
    return Section::None;
}

std::uint32_t layer_from_fpc2(const SourceText& source, std::uint32_t layer) {
    if (source.non_copper_layers == non_copper_layers || layer <= 5) return layer;
    switch (layer) {
        case 6:   // scribing
        case 7:   // top notes
        case 8:   // bottom notes
            return 1;
        case 9:  // rat line
            return 6;
        case 10:  // top silk
            return 7;
        case 11:  // bottom silk
            return 8;
        case 12:  // through pads
            return 11;
        case 13:  // top solder mask
            return 9;
        case 14:  // bottom solder mask
            return 10;
        default:
            return layer - 3;  // the copper layers
    }
}

std::uint32_t layer_to_fpc2(const SourceText& source, std::uint32_t layer) {
    if (source.non_copper_layers == non_copper_layers || layer <= 5) return layer;
    switch (layer) {
        case 6:
            return 9;
        case 7:
            return 10;
        case 8:
            return 11;
        case 9:
            return 13;
        case 10:
            return 14;
        case 11:
            return 12;
        default:
            return layer + 3;
    }
}

}  // namespace tarnwick
