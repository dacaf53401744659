#pragma once

#include <QStringList>

namespace fenwave {

// The fixed item lists of the option controls. Only the preset names change with the
// interface language: they are the two lists at the end, one per language.
enum class ItemList {
    None,
    Bitrates,      // cbxCBR, cbxABR, cbxMinBitrate, cbxMaxBitrate
    Digits,        // cbxVBRQuality, cbxNoise
    Genres,        // cbxGenre
    InputTypes,    // rgrInputType
    OutputTypes,   // rgpOutputType
    SampleRates,   // cbxSampleFreq
    Emphasis,      // cbxEmp
    VbrModes,      // cbxVBRMode
    DesignPresets, // cbxPresets as the window is built, before a language is applied
};

const QStringList &itemList(ItemList list);

// The item of InputTypes that stands for raw PCM, the only input a mono downmix applies to.
inline constexpr int kRawPcmInputType = 4;

// The six preset names in command-line order, in each interface language. The window is built
// with the Russian ones (DesignPresets).
const QStringList &englishPresetNames();
const QStringList &russianPresetNames();

} // namespace fenwave
