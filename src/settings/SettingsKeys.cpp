#include "settings/SettingsKeys.h"

#include "settings/ProfileInteger.h"

#include <iterator>

namespace fenwave {

namespace {

constexpr SettingKind Flag = SettingKind::Flag;
constexpr SettingKind Integer = SettingKind::Integer;
constexpr SettingKind Text = SettingKind::Text;

constexpr SettingKey kKeys[] = {
    {"LamePath", Text, "LamePath", ""},
    {"InputType", Integer, "rgrInputType", "5"},
    {"SampleFrequency", Text, "cbxSampleFreq", "44.1"},
    {"ForceInput", Flag, "flgForceInput", "0"},
    {"OutputType", Integer, "rgpOutputType", "1"},
    {"MonoDownmix", Flag, "flgMonoDownmix", "0"},
    {"DifferentBlocks", Flag, "flgDiffBlock", "0"},
    {"StatDisplay", Text, "edtStat", ""},
    {"OggVorbis", Flag, "flgVorbis", "0"},
    {"FreeFormat", Flag, "flgFreeformat", "0"},
    {"MP3Decoding", Flag, "flgMP3Decode", nullptr},
    {"NoWAVHeader", Flag, "flgWavHeader", "0"},
    {"UseCompressionRatio", Flag, "flgCompRatio", "0"},
    {"CompressionRatio", Text, "edtCompRatio", ""},
    {"UseScale", Flag, "flgScale", "0"},
    {"Scale", Text, "edtScale", ""},
    {"UseATH4Masking", Flag, "flgUseATHMask", "0"},
    {"NotUseATH", Flag, "flgNoATH", "0"},
    {"ATH", Text, "edtATH", ""},
    {"UseTemporaryMasking", Flag, "flgTempMask", "0"},
    {"UseShortBlocks", Flag, "flgShortBlock", "0"},
    {"VoiceMode", Flag, "flgVoiceMode", "0"},
    {"UsePresets", Flag, "flgPresets", "0"},
    {"Presets", Text, "cbxPresets", "Телефон"},
    {"Default", Flag, "flgDefault", "0"},
    {"CBR", Flag, "rbutCBR", "1"},
    {"CBRValue", Text, "cbxCBR", "128"},
    {"ABR", Flag, "rbutABR", "0"},
    {"ABRValue", Text, "cbxABR", "128"},
    {"VBR", Flag, "rbutVBR", "0"},
    {"VBRMode", Text, "cbxVBRMode", "Старый"},
    {"VBRQuality", Text, "cbxVBRQuality", "4"},
    {"VBRMinBitrate", Text, "cbxMinBitrate", "32"},
    {"VBRMaxBitrate", Text, "cbxMaxBitrate", "320"},
    {"Support", Flag, "flgSupport", "0"},
    {"LameTagDis", Flag, "flgLameTagDis", "0"},
    {"ShowHistogramm", Flag, "flgHist", "0"},
    {"Copyright", Flag, "flgCopyright", "0"},
    {"NonOriginal", Flag, "flgNonOriginal", "0"},
    {"ErrorProtection", Flag, "flgErrorProtection", "0"},
    {"OffReservBit", Flag, "flgBitRes", "0"},
    {"MaxISOCompliance", Flag, "flgMaxISO", "0"},
    {"HighPassFilter", Text, "cbxEmp", ""},
    {"NoiseReduction", Text, "cbxNoise", "5"},
    {"NoFilters", Flag, "flgNoFilter", "0"},
    {"LowPassCut", Text, "edtLowPass", ""},
    {"LowPassWidth", Text, "edtLowPassWidth", ""},
    {"HighPassCut", Text, "edtHighPass", ""},
    {"HighPassWidth", Text, "edtHighPassWidth", ""},
    {"OutputSampling", Text, "edtOutputSample", ""},
    {"Tonality", Text, "edtTonality", ""},
    {"NoProgress", Flag, "flgNoProgress", "0"},
    {"ShowAllUseful", Flag, "flgAllUseFull", "0"},
    {"ShowNothing", Flag, "flgBlankScreen", "0"},
    {"Comment", Text, "edtComment", ""},
    {"ID3Tag1stOnly", Flag, "rbut1stOnly", "0"},
    {"ID3Tag2ndOnly", Flag, "rbut2ndOnly", "0"},
    {"ID3TagBoth", Flag, "rbutBoth", "0"},
    {"1stEmpty", Flag, "flg1stEmpty", "0"},
    {"2ndEmpty", Flag, "flg2ndEmpty", "0"},
};

static_assert(std::size(kKeys) == 60, "a settings file holds 60 keys");

} // namespace

SettingKeyList settingsKeys()
{
    return {std::begin(kKeys), std::end(kKeys)};
}

const SettingKey *findSettingKey(QStringView key)
{
    for (const SettingKey &row : kKeys) {
        if (key == QLatin1String(row.key))
            return &row;
    }
    return nullptr;
}

qint32 settingInteger(const IniDocument &doc, const SettingKey &key, qint32 currentDefault)
{
    if (const std::optional<QString> text = doc.value(QString::fromLatin1(kSettingsSection), QString::fromLatin1(key.key))) {
        if (const std::optional<qint32> number = parseProfileInteger(*text))
            return *number;
    }
    if (!key.defaultValue)
        return currentDefault;
    return parseProfileInteger(QString::fromUtf8(key.defaultValue)).value_or(currentDefault);
}

QString settingText(const IniDocument &doc, const SettingKey &key)
{
    const QString fallback = key.defaultValue ? QString::fromUtf8(key.defaultValue) : QString();
    return doc.value(QString::fromLatin1(kSettingsSection), QString::fromLatin1(key.key), fallback);
}

int limitToRange(qint32 value, int lastIndex)
{
    if (value < -1)
        return -1;
    if (value > lastIndex)
        return lastIndex;
    return value;
}

} // namespace fenwave
