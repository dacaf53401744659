#pragma once

#include "options/ItemLists.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace fenwave {

// Every option field, named after the control that shows it, in the order of the pages.
// clang-format off
#define FENWAVE_OPTION_FIELDS(X)                                                                  \
    X(LamePath) X(edtCommandLine) X(flgReadOnly)                                                  \
    /* tabInput */                                                                                \
    X(edtInput) X(rgrInputType) X(cbxSampleFreq) X(flgForceInput) X(flgMonoDownmix)               \
    X(flgMP3Decode) X(flgWavHeader)                                                               \
    /* tabOutput */                                                                               \
    X(edtOutput) X(rgpOutputType) X(flgDiffBlock) X(edtStat) X(flgVorbis) X(flgFreeformat)        \
    X(flgCompRatio) X(edtCompRatio) X(flgScale) X(edtScale) X(flgScaleLeft) X(edtScaleLeft)       \
    X(flgScaleRight) X(edtScaleRight) X(flgUseATHMask) X(flgNoATH) X(edtATH) X(flgTempMask)       \
    X(flgShortBlock) X(flgVoiceMode) X(flgPresets) X(cbxPresets) X(flgDefault)                    \
    /* tabBitrate */                                                                              \
    X(rbutCBR) X(cbxCBR) X(rbutABR) X(cbxABR) X(rbutVBR) X(cbxVBRMode) X(cbxVBRQuality)           \
    X(cbxMinBitrate) X(cbxMaxBitrate) X(flgSupport) X(flgLameTagDis) X(flgLameTagEn) X(cbxEmp)    \
    X(flgCopyright) X(flgNonOriginal) X(flgErrorProtection) X(flgBitRes) X(flgMaxISO)             \
    /* tabFilter */                                                                               \
    X(cbxNoise) X(flgNoFilter) X(edtLowPass) X(edtLowPassWidth) X(edtHighPass)                    \
    X(edtHighPassWidth) X(edtOutputSample) X(edtTonality)                                         \
    /* tabComment */                                                                              \
    X(flgNoProgress) X(flgAllUseFull) X(flgBlankScreen) X(flgHist) X(edtSongName) X(edtArtist)    \
    X(edtAlbum) X(edtYear) X(edtTrackNumber) X(cbxGenre) X(edtComment) X(rbut1stOnly)             \
    X(rbut2ndOnly) X(rbutBoth) X(flg1stEmpty) X(flg2ndEmpty)
// clang-format on

enum class Field : int {
#define FENWAVE_ENUM_ENTRY(name) name,
    FENWAVE_OPTION_FIELDS(FENWAVE_ENUM_ENTRY)
#undef FENWAVE_ENUM_ENTRY
};

#define FENWAVE_COUNT_ENTRY(name) +1
inline constexpr int kFieldCount = 0 FENWAVE_OPTION_FIELDS(FENWAVE_COUNT_ENTRY);
#undef FENWAVE_COUNT_ENTRY

enum class FieldKind {
    Flag,                // check box: on or off
    ExclusiveFlag,       // radio button of a group of three; a group may have none on
    IndexChoice,         // radio group: item index, -1 for none
    IndexChoiceWithText, // list the user may also type in: index and shown text
    TextChoice,          // list the user may type in: the text is the value
    FreeText,
    NumberText, // meant to hold a number, never parsed
};

enum class ExclusiveGroup { None, BitrateMode, Id3Version };

struct FieldInfo {
    Field field;
    const char *name;
    FieldKind kind;
    bool startOn;
    int startIndex;
    const char *startText; // UTF-8; a list the user may also type in shows its start item instead
    bool startAvailable;   // a fresh window shows the field's control enabled or not as this says
    ItemList items;
    ExclusiveGroup group;
};

// The value of one field: which members count depends on the kind.
struct FieldValue {
    bool on = false;
    int index = -1;
    QString text;
    bool available = true;
};

// Everything the user chooses for one run of the encoder, one field per option control.
class OptionSet
{
public:
    OptionSet(); // every start value of a fresh window

    static const FieldInfo &info(Field field);
    static std::optional<Field> fieldByName(QStringView name);

    bool isOn(Field field) const { return value(field).on; }
    // Turning an exclusive flag on turns the other two of its group off; turning one off turns no other on.
    void setOn(Field field, bool on);
    int index(Field field) const { return value(field).index; }
    void setIndex(Field field, int index) { value(field).index = index; }
    const QString &text(Field field) const { return value(field).text; }
    void setText(Field field, const QString &text) { value(field).text = text; }
    bool isAvailable(Field field) const { return value(field).available; }
    void setAvailable(Field field, bool available) { value(field).available = available; }

    const FieldValue &value(Field field) const { return m_values[static_cast<int>(field)]; }
    FieldValue &value(Field field) { return m_values[static_cast<int>(field)]; }

    bool operator==(const OptionSet &other) const;
    bool operator!=(const OptionSet &other) const { return !(*this == other); }

private:
    std::array<FieldValue, kFieldCount> m_values;
};

inline bool operator==(const FieldValue &a, const FieldValue &b)
{
    return a.on == b.on && a.index == b.index && a.text == b.text && a.available == b.available;
}

} // namespace fenwave
