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

namespace {

// Below its copper, the layers of the shifted numbering from the rat line on, and ours.
struct LayerPair {
    std::uint32_t fpc2;
    std::uint32_t ours;
};
constexpr LayerPair shifted_layers[] = {
    {9, rat_line_layer},     {10, top_silk_layer}, {11, bottom_silk_layer},
    {12, through_pad_layer}, {13, top_mask_layer}, {14, bottom_mask_layer},
};
constexpr std::uint32_t layers_put_in = shifted_non_copper_layers - non_copper_layers;

}  // namespace

std::uint32_t layer_from_fpc2(const SourceText& source, std::uint32_t layer) {
    if (source.non_copper_layers == non_copper_layers || layer < fpc2_scribing_layer) return layer;
    if (layer <= fpc2_bottom_notes_layer) return background_layer;  // scribing and notes: nothing of ours
    for (const LayerPair& pair : shifted_layers) {
        if (pair.fpc2 == layer) return pair.ours;
    }
    return layer - layers_put_in;  // the copper layers
}

std::uint32_t layer_to_fpc2(const SourceText& source, std::uint32_t layer) {
    if (source.non_copper_layers == non_copper_layers || layer < rat_line_layer) return layer;
    for (const LayerPair& pair : shifted_layers) {
        if (pair.ours == layer) return pair.fpc2;
    }
    return layer + layers_put_in;
}

}  // namespace tarnwick
