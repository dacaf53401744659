// Which tag switches a file of a batch gets, and the names a pattern makes.
#include "tags/CoverFile.h"
#include "tags/NamePattern.h"
#include "tags/TagSwitches.h"

#include <QTest>

using namespace fenwave;

namespace {

// An album track as a well-tagged file holds it.
SourceTags albumTrack()
{
    SourceTags tags;
    tags.title = QStringLiteral("Ёлка");
    tags.artist = QStringLiteral("Артист");
    tags.album = QStringLiteral("Album");
    tags.albumArtist = QStringLiteral("Various");
    tags.year = QStringLiteral("2019");
    tags.genre = QStringLiteral("Rock");
    tags.comment = QStringLiteral("Nice");
    tags.track = 3;
    tags.trackTotal = 12;
    tags.disc = 1;
    tags.discTotal = 2;
    return tags;
}

const SourceTags kNone;

// The page as the user left it: "field=text" pairs, "default" for "Use default settings",
// "v1" for "Add only a version 1 tag".
OptionSet page(const QStringList &typed)
{
    OptionSet options;
    for (const QString &entry : typed) {
        if (entry == QLatin1String("default"))
            options.setOn(Field::flgDefault, true);
        else if (entry == QLatin1String("v1"))
            options.setOn(Field::rbut1stOnly, true);
        else if (entry != QLatin1String("replace"))
            options.setText(*OptionSet::fieldByName(entry.section(u'=', 0, 0)), entry.section(u'=', 1));
    }
    return options;
}

// The rules of a batch started with that page; "replace" when the batch writes the page's fields
// over every file's.
FileTagRules rules(const QStringList &typed)
{
    return fileTagRules(page(typed), typed.contains(QLatin1String("replace")) ? PageTags::Replace : PageTags::Fill);
}

} // namespace

Q_DECLARE_METATYPE(SourceTags)

class TestTagRules : public QObject
{
    Q_OBJECT

private slots:
    void switchesForAFile_data();
    void switchesForAFile();
    void fillsOnlyEmptyFields();
    void namesFromPatterns_data();
    void namesFromPatterns();
    void keepsEachPartWithinTheLimit();
    void coverKinds_data();
    void coverKinds();
};

// clang-format off
void TestTagRules::switchesForAFile_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<SourceTags>("tags");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("cover");
    QTest::addColumn<QStringList>("expected");

    const QStringList everything{"--tt", "Ёлка", "--ta", "Артист", "--tl", "Album", "--ty", "2019", "--tn", "3/12",
                                 "--tg", "Rock", "--tc", "Nice", "--tv", "TPE2=Various", "--tv", "TPOS=1/2"};
    QTest::newRow("all from the tags") << QStringList{} << albumTrack() << "/m/x.flac" << "" << everything;
    const QStringList typedAll{"edtArtist=Me", "edtAlbum=Mine", "edtYear=2000", "cbxGenre=Jazz", "edtComment=c"};
    QTest::newRow("typed fields win where the batch replaces") << typedAll + QStringList{"replace"} << albumTrack()
        << "/m/x.flac" << ""
        << QStringList{"--tt", "Ёлка", "--ta", "Me", "--tl", "Mine", "--ty", "2000", "--tn", "3/12", "--tg", "Jazz",
                       "--tc", "c", "--tv", "TPE2=Various", "--tv", "TPOS=1/2"};
    QTest::newRow("the file's own tags win where the batch fills") << typedAll << albumTrack() << "/m/x.flac" << ""
        << everything;
    // Field by field: the page's value goes into its own field only, for a file lacking that one
    // field, or over it where the batch replaces.
    const struct { const char *typed; const char *option; QString SourceTags::*field; } fields[] = {
        {"edtArtist=Me", "--ta", &SourceTags::artist}, {"edtAlbum=Mine", "--tl", &SourceTags::album},
        {"edtYear=2000", "--ty", &SourceTags::year}, {"cbxGenre=Jazz", "--tg", &SourceTags::genre},
        {"edtComment=c", "--tc", &SourceTags::comment}};
    for (const auto &field : fields) {
        QStringList withPage = everything;
        const QString value = QString::fromUtf8(field.typed).section(u'=', 1);
        withPage[withPage.indexOf(field.option) + 1] = value;
        SourceTags lacking = albumTrack();
        lacking.*field.field = QString();
        QTest::addRow("fill: %s only where the file lacks it", field.option) << typedAll << lacking << "/m/x.flac"
            << "" << withPage;
        QTest::addRow("replace: %s alone typed", field.option) << QStringList{field.typed, "replace"} << albumTrack()
            << "/m/x.flac" << "" << withPage;
    }
    QTest::newRow("a blank typed field is empty") << QStringList{"edtArtist=  \t"} << albumTrack() << "/m/x.flac" << ""
        << everything;
    QTest::newRow("typed title and track give way to the file's")
        << QStringList{"edtSongName=Typed", "edtTrackNumber=9"} << albumTrack() << "/m/x.flac" << "" << everything;
    QTest::newRow("default settings: the page composes nothing")
        << QStringList{"default", "edtArtist=Me"} << albumTrack() << "/m/x.flac" << "" << everything;
    QTest::newRow("default settings: nothing to fill in with")
        << QStringList{"default", "edtArtist=Me", "replace"} << kNone << "/m/x.flac" << "" << QStringList{};
    QTest::newRow("version 1 only keeps the switches, but no cover") << QStringList{"v1"} << albumTrack()
        << "/m/x.flac" << "/m/cover.jpg" << everything;
    QTest::newRow("title and track from '03 Title'") << QStringList{} << kNone << "/m/03 Title.wav" << ""
        << QStringList{"--tt", "Title", "--tn", "3"};
    QTest::newRow("title and track from '03 - Title'") << QStringList{} << kNone << "/m/03 - Title.flac" << ""
        << QStringList{"--tt", "Title", "--tn", "3"};
    QTest::newRow("title and track from '12. Ёлка'") << QStringList{} << kNone << "/m/12. Ёлка.ogg" << ""
        << QStringList{"--tt", "Ёлка", "--tn", "12"};
    QTest::newRow("a name without a number gives nothing") << QStringList{} << kNone << "/m/Title.wav" << ""
        << QStringList{};
    QTest::newRow("a year is no track number") << QStringList{} << kNone << "/m/1984.wav" << "" << QStringList{};
    QTest::newRow("'2019 Live' is no track 201") << QStringList{} << kNone << "/m/2019 Live.wav" << ""
        << QStringList{};
    SourceTags titleOnly;
    titleOnly.title = "From tags";
    QTest::newRow("tag title, track from the name") << QStringList{} << titleOnly << "/m/05 other.wav" << ""
        << QStringList{"--tt", "From tags", "--tn", "5"};
    SourceTags odd;
    odd.title = "-x \"q\"\n$(rm)";
    odd.genre = "300";
    QTest::newRow("odd text passes as one argument; unknown genre number dropped") << QStringList{} << odd
        << "/m/a.wav" << "" << QStringList{"--tt", "-x \"q\"\n$(rm)"};
    QTest::newRow("cover") << QStringList{} << kNone << "/m/a.wav" << "/m/cover.jpg"
        << QStringList{"--ti", "/m/cover.jpg"};

    // The encoder knows genres 0 to 147; a number past that fails the file, and one past its
    // integer would wrap into another genre.
    for (const char *unknown : {"148", "4294967297", "999999999999", "99999999999999999999", "-1", " -4294967295"}) {
        SourceTags numbered;
        numbered.genre = QString::fromLatin1(unknown);
        QTest::addRow("genre %s left out", unknown) << QStringList{} << numbered << "/m/a.wav" << "" << QStringList{};
    }
    SourceTags wrapping;
    wrapping.genre = "4294967297";
    QTest::newRow("the page's genre fills in for an unknown number") << QStringList{"cbxGenre=Jazz"} << wrapping
        << "/m/a.wav" << "" << QStringList{"--tg", "Jazz"};
    for (const char *known : {"147", "0", "000000000017", " +17", "Gangsta Rap"}) {
        SourceTags numbered;
        numbered.genre = QString::fromLatin1(known);
        QTest::addRow("genre %s passed", known) << QStringList{} << numbered << "/m/a.wav" << ""
            << QStringList{"--tg", QString::fromLatin1(known)};
    }
}
// clang-format on

void TestTagRules::switchesForAFile()
{
    QFETCH(QStringList, typed);
    QFETCH(SourceTags, tags);
    QFETCH(QString, input);
    QFETCH(QString, cover);
    QTEST(fileTagSwitches(rules(typed), tags, input, cover), "expected");
}

// "Take tags from the input file": each value into its own field.
void TestTagRules::fillsOnlyEmptyFields()
{
    OptionSet options = page({"edtArtist=Me", "edtSongName= "});
    QCOMPARE(fillEmptyTagFields(options, albumTrack()), 6);
    QCOMPARE(options.text(Field::edtArtist), QStringLiteral("Me"));
    QCOMPARE(options.text(Field::edtSongName), QStringLiteral("Ёлка"));
    QCOMPARE(options.text(Field::edtTrackNumber), QStringLiteral("3/12"));
    QCOMPARE(options.text(Field::edtYear), QStringLiteral("2019"));
    QCOMPARE(options.text(Field::edtAlbum), QStringLiteral("Album"));
    QCOMPARE(options.text(Field::cbxGenre), QStringLiteral("Rock"));
    QCOMPARE(options.text(Field::edtComment), QStringLiteral("Nice"));
}

// clang-format off
void TestTagRules::namesFromPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<SourceTags>("tags");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("readsTags"); // the plan must read each file's tags for it

    const QString full = "{albumartist}/{album} ({year})/{disc}-{track} {artist} - {title} [{name}]";
    QTest::newRow("every field") << full << albumTrack() << 0
        << "Various/Album (2019)/1-03 Артист - Ёлка [03 - raw].mp3" << true;
    QTest::newRow("fallbacks, English") << full << kNone << 0
        << "Unknown artist/Unknown album (Unknown year)/1-03 Unknown artist - raw [03 - raw].mp3" << true;
    QTest::newRow("fallbacks, Russian") << "{artist}/{album}" << kNone << 1
        << "Неизвестный исполнитель/Неизвестный альбом.mp3" << true;
    SourceTags slashes;
    slashes.artist = "AC/DC";
    slashes.album = "..";
    slashes.title = QStringLiteral(".hidden\nline") + QChar(0) + u'x';
    QTest::newRow("no slash, dot or control in a field") << "{artist}/{album}/{title}" << slashes << 0
        << "AC-DC/hidden line x.mp3" << true;
    QTest::newRow("the pattern's own dots and empty parts") << "../.{name}//./{track}" << kNone << 0
        << "03 - raw/03.mp3" << true;
    QTest::newRow("an unknown field stays") << "{nope} {name}" << kNone << 0 << "{nope} 03 - raw.mp3" << false;
    QTest::newRow("a field inside an unknown one") << "{x{title}}" << kNone << 0 << "{xraw}.mp3" << true;
    QTest::newRow("the input's name alone") << "mp3/{name}" << albumTrack() << 0 << "mp3/03 - raw.mp3" << false;
    QTest::newRow("nothing left: the input's name") << "{artist}/." << kNone << 0 << "Unknown artist/03 - raw.mp3"
        << true;
}
// clang-format on

void TestTagRules::namesFromPatterns()
{
    QFETCH(QString, pattern);
    QFETCH(SourceTags, tags);
    QFETCH(int, language);
    QTEST(nameFromPattern(pattern, tags, QStringLiteral("/music/03 - raw.flac"), QStringLiteral(".mp3"),
                          Language(language)),
          "expected");
    QTEST(patternReadsTags(pattern), "readsTags");
}

// A part longer than a file system takes is cut at a character, the extension kept.
void TestTagRules::keepsEachPartWithinTheLimit()
{
    SourceTags tags;
    tags.album = QString(300, QChar(u'ж'));                                               // two bytes each
    tags.title = QStringLiteral("a") + QStringLiteral("\U0001F3B5").repeated(200) + u'b'; // four bytes each
    const QString name = nameFromPattern(QStringLiteral("{album}/{title}"), tags, QStringLiteral("/m/x.flac"),
                                         QStringLiteral(".mp3"), Language::English);
    const QStringList parts = name.split(u'/');
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts[0], QString(127, QChar(u'ж')));
    QVERIFY(parts[1].endsWith(QStringLiteral(".mp3")));
    QCOMPARE(parts[1].toUtf8().size(), 1 + 62 * 4 + 4);
    QCOMPARE(QString::fromUtf8(parts[1].toUtf8()), parts[1]); // no half character
}

// clang-format off
void TestTagRules::coverKinds_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("extension"); // empty: the encoder refuses it
    QTest::newRow("JPEG") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) << ".jpg";
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1A\n", 8) << ".png";
    QTest::newRow("GIF") << QByteArray("GIF89a\x01\x00") << ".gif";
    QTest::newRow("BMP") << QByteArray("BM\x36\x00\x00\x00") << "";
    QTest::newRow("WebP") << QByteArray("RIFF\x10\x00\x00\x00WEBPVP8 ") << "";
    QTest::newRow("two bytes of JPEG only") << QByteArray("\xFF\xD8") << "";
    QTest::newRow("nothing") << QByteArray() << "";
}
// clang-format on

void TestTagRules::coverKinds()
{
    QFETCH(QByteArray, picture);
    QTEST(coverExtension(picture), "extension");
}

QTEST_GUILESS_MAIN(TestTagRules)
#include "tst_tagrules.moc"
