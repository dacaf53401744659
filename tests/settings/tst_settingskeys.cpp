#include "settings/SettingsMapping.h"

#include "ExpectedData.h"

#include <QtTest>

using namespace fenwave;

class TestSettingsKeys : public QObject
{
    Q_OBJECT

private slots:
    void keysInOrder();
};

namespace {

const char *kindOf(const SettingKey &key)
{
    switch (OptionSet::info(key.field).kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag: return "flag";
    case FieldKind::IndexChoice: return "integer";
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice:
    case FieldKind::FreeText:
    case FieldKind::NumberText: break;
    }
    return "text";
}

// What restoring a file without the key gives its field, as the file would hold it.
QString restoredFromNothing(const SettingKey &key)
{
    const std::optional<FieldValue> value = readSetting(IniDocument(), key);
    if (!value)
        return QStringLiteral("unchanged");
    switch (OptionSet::info(key.field).kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag: return value->on ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::IndexChoice: return QString::number(value->index);
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice:
    case FieldKind::FreeText:
    case FieldKind::NumberText: break;
    }
    return value->text;
}

} // namespace

// The keys in file order, each with its kind, control and default.
void TestSettingsKeys::keysInOrder()
{
    QStringList expected, actual, names;
    for (const QStringList &row : testing::expectedRows("settings_keys.tsv"))
        expected << row.join(u'\t');
    for (const SettingKey &row : settingsKeys()) {
        actual << QStringList{QString::fromLatin1(row.key), QLatin1String(kindOf(row)),
                              QString::fromLatin1(OptionSet::info(row.field).name), restoredFromNothing(row)}
                      .join(u'\t');
        QVERIFY2(IniDocument::isValidKeyName(QString::fromLatin1(row.key)), row.key);
        // Files match key names without regard to letter case: no two keys may meet.
        QVERIFY2(!names.contains(QString::fromLatin1(row.key), Qt::CaseInsensitive), row.key);
        names << QString::fromLatin1(row.key);
    }
    QCOMPARE(actual, expected);
    QCOMPARE(QString::fromUtf8(kSettingsSection), QStringLiteral("Fenwave Sets"));
}

QTEST_GUILESS_MAIN(TestSettingsKeys)
#include "tst_settingskeys.moc"
