#include "settings/SettingsKeys.h"

#include <iterator>

namespace fenwave {

namespace {

// Each missing key gets its field's start value, except "MP3Decoding", which keeps the box's
// state. "LamePath" starts empty in the option set, so a file without it empties the path.
constexpr SettingKey kKeys[] = {
    {"LamePath", Field::LamePath},
    {"InputType", Field::rgrInputType},
    {"SampleFrequency", Field::cbxSampleFreq},
    {"ForceInput", Field::flgForceInput},
    {"OutputType", Field::rgpOutputType},
    {"MonoDownmix", Field::flgMonoDownmix},
    {"DifferentBlocks", Field::flgDiffBlock},
    {"StatDisplay", Field::edtStat},
    {"OggVorbis", Field::flgVorbis},
    {"FreeFormat", Field::flgFreeformat},
    {"MP3Decoding", Field::flgMP3Decode, WhenMissing::KeepCurrent},
    {"NoWAVHeader", Field::flgWavHeader},
    {"UseCompressionRatio", Field::flgCompRatio},
    {"CompressionRatio", Field::edtCompRatio},
    {"UseScale", Field::flgScale},
    {"Scale", Field::edtScale},
    {"UseATH4Masking", Field::flgUseATHMask},
    {"NotUseATH", Field::flgNoATH},
    {"ATH", Field::edtATH},
    {"UseTemporaryMasking", Field::flgTempMask},
    {"UseShortBlocks", Field::flgShortBlock},
    {"VoiceMode", Field::flgVoiceMode},
    {"UsePresets", Field::flgPresets},
    {"Presets", Field::cbxPresets},
    {"Default", Field::flgDefault},
    {"CBR", Field::rbutCBR},
    {"CBRValue", Field::cbxCBR},
    {"ABR", Field::rbutABR},
    {"ABRValue", Field::cbxABR},
    {"VBR", Field::rbutVBR},
    {"VBRMode", Field::cbxVBRMode},
    {"VBRQuality", Field::cbxVBRQuality},
    {"VBRMinBitrate", Field::cbxMinBitrate},
    {"VBRMaxBitrate", Field::cbxMaxBitrate},
    {"Support", Field::flgSupport},
    {"LameTagDis", Field::flgLameTagDis},
    {"ShowHistogramm", Field::flgHist},
    {"Copyright", Field::flgCopyright},
    {"NonOriginal", Field::flgNonOriginal},
    {"ErrorProtection", Field::flgErrorProtection},
    {"OffReservBit", Field::flgBitRes},
    {"MaxISOCompliance", Field::flgMaxISO},
    {"HighPassFilter", Field::cbxEmp},
    {"NoiseReduction", Field::cbxNoise},
    {"NoFilters", Field::flgNoFilter},
    {"LowPassCut", Field::edtLowPass},
    {"LowPassWidth", Field::edtLowPassWidth},
    {"HighPassCut", Field::edtHighPass},
    {"HighPassWidth", Field::edtHighPassWidth},
    {"OutputSampling", Field::edtOutputSample},
    {"Tonality", Field::edtTonality},
    {"NoProgress", Field::flgNoProgress},
    {"ShowAllUseful", Field::flgAllUseFull},
    {"ShowNothing", Field::flgBlankScreen},
    {"Comment", Field::edtComment},
    {"ID3Tag1stOnly", Field::rbut1stOnly},
    {"ID3Tag2ndOnly", Field::rbut2ndOnly},
    {"ID3TagBoth", Field::rbutBoth},
    {"1stEmpty", Field::flg1stEmpty},
    {"2ndEmpty", Field::flg2ndEmpty},
};

static_assert(std::size(kKeys) == 60, "a settings file holds 60 keys");

} // namespace

TableView<SettingKey> settingsKeys()
{
    return kKeys;
}

} // namespace fenwave
