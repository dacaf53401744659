#include "batch/BatchPlan.h"
#include "app/ShellEncode.h"
#include "batch/ShellQuoting.h"
#include "job/EncoderArguments.h"
#include "tags/TagSwitches.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <unistd.h>

using namespace fenwave;

namespace {

using Setup = std::function<void(OptionSet &)>;
using Inputs = std::vector<BatchInput>;

// A file system of names only: what exists, when it last changed ("name@seconds"; none
// without), and which names are one file. What a file holds goes by these extensions; any
// other name is not looked at.
class FakeFacts : public BatchFileFacts
{
public:
    FakeFacts(const QStringList &existing, const QStringList &sameFiles)
    {
        for (const QString &entry : existing) {
            const QString name = entry.section(u'@', 0, 0);
            m_existing.insert(name);
            if (entry.contains(u'@'))
                m_times.insert(name, FileTime{entry.section(u'@', 1).toLongLong(), 0});
        }
        for (const QString &pair : sameFiles)
            m_identity.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    }
    bool exists(const QString &path) const override { return m_existing.contains(path); }
    std::optional<FileTime> modified(const QString &path) const override
    {
        const auto found = m_times.constFind(path);
        return found == m_times.constEnd() ? std::nullopt : std::optional<FileTime>(*found);
    }
    QString identity(const QString &path) const override { return m_identity.value(path, path); }
    SoundKind soundKind(const QString &path) const override
    {
        static const QHash<QString, SoundKind> kinds{
            {"jpg", SoundKind::JpegImage},       {"txt", SoundKind::Text},       {"m4a", SoundKind::Mp4Audio},
            {"mp2", SoundKind::MpegLayer2},      {"flac", SoundKind::Flac},      {"opus", SoundKind::OggOpus},
            {"adpcm", SoundKind::WavCompressed}, {"fifo", SoundKind::NotRegular}};
        return kinds.value(path.section(u'.', -1), SoundKind::NotChecked);
    }
    // A name such as "a.6ch.flac" has six channels, any other two; an M4A's are not known.
    SoundFormat soundFormat(const QString &path) const override
    {
        const QString channels = path.section(u'.', -2, -2);
        const SoundKind kind = soundKind(path);
        return {kind, channels.endsWith("ch") ? channels.chopped(2).toInt() : kind == SoundKind::Mp4Audio ? 0 : 2};
    }

private:
    QSet<QString> m_existing;
    QHash<QString, FileTime> m_times;
    QHash<QString, QString> m_identity;
};

const Setup kStart = [](OptionSet &) {};

Setup on(std::initializer_list<Field> fields)
{
    return [fields = std::vector<Field>(fields)](OptionSet &o) {
        for (Field f : fields)
            o.setOn(f, true);
    };
}

Setup inputType(int index)
{
    return [index](OptionSet &o) { o.setIndex(Field::rgrInputType, index); };
}

Inputs given(const QStringList &paths, const QString &folder = QString())
{
    Inputs inputs;
    for (const QString &path : paths)
        inputs.push_back({path, folder});
    return inputs;
}

// An input already left out when it was gathered.
Inputs leftOut(const QString &path, SkipReason reason)
{
    return {{path, QString(), reason}};
}

Inputs operator+(Inputs a, const Inputs &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

QString reasonWord(SkipReason reason)
{
    switch (reason) {
    case SkipReason::None: return QString();
    case SkipReason::OutputIsInput: return "is input";
    case SkipReason::OutputIsAnotherInput: return "is another input";
    case SkipReason::OutputExists: return "exists";
    case SkipReason::InputNamesNoFile: return "no name";
    case SkipReason::NameNotUtf8: return "not UTF-8";
    case SkipReason::InputDoesNotExist: return "missing";
    case SkipReason::NotSound: return "not sound";
    case SkipReason::KindNotRead: return "not read";
    case SkipReason::KindNotOfInputType: return "other type";
    case SkipReason::NeedsDecoder: return "needs decoder";
    case SkipReason::AppearedDuringBatch: return "appeared";
    case SkipReason::OutputUpToDate: return "up to date";
    case SkipReason::NotRegularFile: return "not regular";
    case SkipReason::PathTooLong: return "path too long";
    case SkipReason::InputChanged: return "changed";
    }
    return "?";
}

// "out.mp3" for a planned job, "skip <reason>: out.mp3" for a skipped one.
QStringList outcomes(const fenwave::BatchJobs &jobs)
{
    QStringList result;
    for (const BatchJob &job : jobs)
        result += job.skipped() ? QString("skip %1: %2").arg(reasonWord(job.skip), job.output) : job.output;
    return result;
}

} // namespace

class TestBatchPlan : public QObject
{
    Q_OBJECT
private slots:
    void outputs_data();
    void outputs();
    void patternedOutputs_data();
    void patternedOutputs();
    void arguments_data();
    void arguments();
    void pageTagsReachEachJob();
    void routes_data();
    void routes();
    void realFilesUnderAnySpelling();
    void whatTheBatchWindowTells_data();
    void whatTheBatchWindowTells();
    void shellQuoting_data();
    void shellQuoting();
    void reportEscapes_data();
    void reportEscapes();
};

// clang-format off
void TestBatchPlan::outputs_data()
{
    QTest::addColumn<Setup>("options");
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<ExistingOutputPolicy>("policy");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("sameFiles"); // "name=key": names with one key are one file
    QTest::addColumn<QStringList>("expected");
    const auto skip = ExistingOutputPolicy::Skip;
    const auto overwrite = ExistingOutputPolicy::Overwrite;
    const auto number = ExistingOutputPolicy::Number;
    const auto update = ExistingOutputPolicy::Update;
    const QStringList none;

    // Names and extensions by what the encoder writes.
    QTest::newRow("beside each input") << kStart << given({"/m/a.wav", "/m/b.WAV", "/n/c"}) << "" << skip << none << none
        << QStringList{"/m/a.mp3", "/m/b.mp3", "/n/c.mp3"};
    QTest::newRow("decode writes wav") << on({Field::flgMP3Decode}) << given({"/m/a.mp3"}) << "" << skip << none << none
        << QStringList{"/m/a.wav"};
    QTest::newRow("ogg vorbis") << on({Field::flgVorbis}) << given({"/m/a.wav"}) << "" << skip << none << none
        << QStringList{"/m/a.ogg"};
    QTest::newRow("decode and ogg: decodes") << on({Field::flgVorbis, Field::flgMP3Decode}) << given({"/m/a.mp3"}) << ""
        << skip << none << none << QStringList{"/m/a.wav"};
    QTest::newRow("default settings: no --decode, mp3") << on({Field::flgDefault, Field::flgMP3Decode, Field::flgVorbis})
        << given({"/m/a.wav"}) << "" << skip << none << none << QStringList{"/m/a.mp3"};
    QTest::newRow("hidden file and dotted folder") << kStart << given({"/m.old/.a", "/m.old/.b.wav"}) << "" << skip << none
        << none << QStringList{"/m.old/.a.mp3", "/m.old/.b.mp3"};
    QTest::newRow("input naming no file") << kStart << given({"", "/m/", "/m/.."}) << "" << skip << none << none
        << QStringList{"skip no name: ", "skip no name: ", "skip no name: "};

    // Output folders and the mirrored layout of a given folder.
    QTest::newRow("given alone: straight in") << kStart << given({"/m/a.wav", "rel/b.wav"}) << "/out" << skip << none
        << none << QStringList{"/out/a.mp3", "/out/b.mp3"};
    QTest::newRow("output folder with slash") << kStart << given({"/m/a.wav"}) << "/out/" << skip << none << none
        << QStringList{"/out/a.mp3"};
    QTest::newRow("found in folder: mirrored") << kStart
        << given({"/m/Album/01.wav", "/m/Album/CD 2/01.wav"}, "/m/Album") << "/out" << skip << none << none
        << QStringList{"/out/Album/01.mp3", "/out/Album/CD 2/01.mp3"};
    QTest::newRow("folder given with slash") << kStart << given({"/m/Album/01.wav"}, "/m/Album/") << "/out" << skip
        << none << none << QStringList{"/out/Album/01.mp3"};
    QTest::newRow("folder spelled with dots") << kStart << given({"/m/x/../Album/01.wav"}, "/m/x/../Album") << "/out"
        << skip << none << none << QStringList{"/out/Album/01.mp3"};
    QTest::newRow("found in folder, no output folder") << kStart << given({"/m/Album/CD 2/01.wav"}, "/m/Album") << ""
        << skip << none << none << QStringList{"/m/Album/CD 2/01.mp3"};
    QTest::newRow("alone and found mixed") << kStart
        << given({"/m/01.wav"}) + given({"/m/Album/01.wav"}, "/m/Album") << "/out" << skip << none << none
        << QStringList{"/out/01.mp3", "/out/Album/01.mp3"};

    // Two jobs never share an output.
    QTest::newRow("same name from two folders") << kStart << given({"/a/x.wav", "/b/x.wav", "/c/x.aiff"}) << "/out" << skip
        << none << none << QStringList{"/out/x.mp3", "/out/x (2).mp3", "/out/x (3).mp3"};
    QTest::newRow("same name, other extension") << kStart << given({"/m/x.wav", "/m/x.aiff"}) << "" << skip << none << none
        << QStringList{"/m/x.mp3", "/m/x (2).mp3"};
    QTest::newRow("duplicate under another spelling") << kStart << given({"/m/x.wav", "/m/./x.aiff"}) << "" << skip
        << none << QStringList{"/m/./x.mp3=/m/x.mp3"} << QStringList{"/m/x.mp3", "/m/./x (2).mp3"};
    QTest::newRow("number taken by a third") << kStart << given({"/m/x.wav", "/m/x.aiff", "/m/x (2).wav"}) << "" << skip
        << none << none << QStringList{"/m/x.mp3", "/m/x (2).mp3", "/m/x (2) (2).mp3"};

    // The output is the input itself or another input.
    QTest::newRow("output is the input") << on({Field::flgMP3Decode}) << given({"/m/a.wav"}) << "" << skip << none << none
        << QStringList{"skip is input: /m/a.wav"};
    QTest::newRow("output is the input, another spelling") << kStart << given({"/m/../m/a.MP3"}) << "" << skip << none
        << QStringList{"/m/../m/a.mp3=/m/a.MP3", "/m/../m/a.MP3=/m/a.MP3"} << QStringList{"skip is input: /m/../m/a.mp3"};
    QTest::newRow("output is another input") << kStart << given({"/m/a.wav", "/m/a.mp3"}) << "" << skip << none << none
        << QStringList{"skip is another input: /m/a.mp3", "skip is input: /m/a.mp3"};
    QTest::newRow("another input through a link") << kStart << given({"/m/a.wav", "/n/b.wav"}) << "" << skip
        << QStringList{"/m/a.mp3"} << QStringList{"/m/a.mp3=/n/b.wav"} << QStringList{"skip is another input: /m/a.mp3", "/n/b.mp3"};
    QTest::newRow("numbered name is another input") << kStart << given({"/m/x.wav", "/m/x.aiff", "/m/x (2).mp3"}) << ""
        << number << none << none << QStringList{"/m/x.mp3", "/m/x (3).mp3", "skip is input: /m/x (2).mp3"};

    // An existing output follows the policy.
    QTest::newRow("exists: skip") << kStart << given({"/m/a.wav", "/m/b.wav"}) << "" << skip << QStringList{"/m/a.mp3"}
        << none << QStringList{"skip exists: /m/a.mp3", "/m/b.mp3"};
    QTest::newRow("exists: overwrite") << kStart << given({"/m/a.wav"}) << "" << overwrite << QStringList{"/m/a.mp3"}
        << none << QStringList{"/m/a.mp3"};
    QTest::newRow("exists: number") << kStart << given({"/m/a.wav"}) << "" << number
        << QStringList{"/m/a.mp3", "/m/a (2).mp3"} << none << QStringList{"/m/a (3).mp3"};
    QTest::newRow("exists: number, mirrored") << kStart << given({"/m/Al/a.wav"}, "/m/Al") << "/o" << number
        << QStringList{"/o/Al/a.mp3"} << none << QStringList{"/o/Al/a (2).mp3"};
    QTest::newRow("duplicate, then exists: skip") << kStart << given({"/a/x.wav", "/b/x.wav"}) << "/o" << skip
        << QStringList{"/o/x (2).mp3"} << none << QStringList{"/o/x.mp3", "skip exists: /o/x (2).mp3"};
    // Update: an output no older than its input is up to date; one without a time is not.
    QTest::newRow("exists: update") << kStart << given({"/m/new.wav", "/m/old.wav", "/m/same.wav", "/m/none.wav", "/m/gone.wav"})
        << "" << update << QStringList{"/m/new.wav@100", "/m/new.mp3@200", "/m/old.wav@100", "/m/old.mp3@50",
                                       "/m/same.wav@100", "/m/same.mp3@100", "/m/gone.wav@100", "/m/gone.mp3"} << none
        << QStringList{"skip up to date: /m/new.mp3", "/m/old.mp3", "skip up to date: /m/same.mp3", "/m/none.mp3", "/m/gone.mp3"};
    // Run again over the outputs of a first run: each file meets the output it made then.
    QTest::newRow("duplicate, then exists: update keeps each its own name") << kStart
        << given({"/a/x.wav", "/b/x.wav", "/c/x.wav"}) << "/o" << update
        << QStringList{"/a/x.wav@100", "/b/x.wav@300", "/c/x.wav@100", "/o/x.mp3@200", "/o/x (2).mp3@200", "/o/x (3).mp3@200"}
        << none << QStringList{"skip up to date: /o/x.mp3", "/o/x (2).mp3", "skip up to date: /o/x (3).mp3"};
    QTest::newRow("duplicate, then exists: overwrite") << kStart << given({"/a/x.wav", "/b/x.wav"}) << "/o" << overwrite
        << QStringList{"/o/x.mp3"} << none << QStringList{"/o/x.mp3", "/o/x (2).mp3"};
    QTest::newRow("left out before planning: takes no name, is no input")
        << kStart << leftOut("/a/\uFFFD/x.wav", SkipReason::NameNotUtf8) + given({"/b/x.wav"})
                   + leftOut("/o/x (2).mp3", SkipReason::InputDoesNotExist) + given({"/c/x.wav"}) << "/o" << skip
        << none << none << QStringList{"skip not UTF-8: ", "/o/x.mp3", "skip missing: ", "/o/x (2).mp3"};
    // What a file holds, against what its input type reads.
    QTest::newRow("not sound: skipped, takes no name") << kStart << given({"/m/x.jpg", "/m/x.wav", "/m/notes.txt"})
        << "" << skip << none << none << QStringList{"skip not sound: ", "/m/x.mp3", "skip not sound: "};
    QTest::newRow("M4A, no decoder: needs it") << kStart << given({"/m/a.m4a", "/m/b.mp2"}) << "/o" << skip << none << none
        << QStringList{"skip needs decoder: ", "/o/b.mp3"};
    QTest::newRow("Layer III: Layer II is another type") << inputType(2) << given({"/m/a.mp2", "/m/b.m4a", "/m/c.mp3"})
        << "/o" << skip << none << none << QStringList{"skip other type: ", "skip not read: ", "/o/c.mp3"};
    QTest::newRow("RAW PCM: anything") << inputType(4) << given({"/m/a.jpg", "/m/b.m4a"}) << "" << skip << none << none
        << QStringList{"/m/a.mp3", "/m/b.mp3"};
    QTest::newRow("default settings: as WAV PCM") << Setup([](OptionSet &o) { o.setIndex(Field::rgrInputType, 4); o.setOn(Field::flgDefault, true); })
        << given({"/m/a.jpg"}) << "" << skip << none << none << QStringList{"skip not sound: "};
    QTest::newRow("FIFO or device: never read, under any type") << inputType(4) << given({"/m/a.fifo", "/m/b.raw"}) << ""
        << skip << none << none << QStringList{"skip not regular: ", "/m/b.mp3"};
    QTest::newRow("FIFO or device read as WAV PCM") << kStart << given({"/m/a.fifo"}) << "" << skip << none << none
        << QStringList{"skip not regular: "};
    // Run again over a folder: the outputs of the first run are found in it, and are no inputs.
    QTest::newRow("found: an earlier output is no input, skip") << kStart
        << given({"/m/d/a.mp3", "/m/d/a.wav", "/m/d/b.flac", "/m/d/b.mp3"}, "/m/d") << "" << skip
        << QStringList{"/m/d/a.mp3", "/m/d/b.mp3"} << none << QStringList{"skip exists: /m/d/a.mp3", "skip exists: /m/d/b.mp3"};
    QTest::newRow("found: an earlier output is no input, update") << kStart
        << given({"/m/d/a.mp3", "/m/d/a.wav", "/m/d/b.flac", "/m/d/b.mp3"}, "/m/d") << "" << update
        << QStringList{"/m/d/a.wav@100", "/m/d/a.mp3@200", "/m/d/b.flac@300", "/m/d/b.mp3@200"} << none
        << QStringList{"skip up to date: /m/d/a.mp3", "/m/d/b.mp3"};
    QTest::newRow("found: earlier numbered outputs are no inputs") << kStart
        << given({"/m/d/a (2).mp3", "/m/d/a (3).mp3", "/m/d/a.mp3", "/m/d/a.wav"}, "/m/d") << "" << number
        << QStringList{"/m/d/a.mp3", "/m/d/a (2).mp3", "/m/d/a (3).mp3"} << none << QStringList{"/m/d/a (4).mp3"};
    QTest::newRow("found: a name like a number is still an input") << kStart
        << given({"/m/d/a (1).mp3", "/m/d/a (02).mp3", "/m/d/a (x).mp3", "/m/d/b (2).mp3", "/m/d/a.wav"}, "/m/d") << ""
        << skip << none << none
        << QStringList{"skip is input: /m/d/a (1).mp3", "skip is input: /m/d/a (02).mp3", "skip is input: /m/d/a (x).mp3",
                       "skip is input: /m/d/b (2).mp3", "/m/d/a.mp3"};
    QTest::newRow("found: an earlier output through a link") << kStart
        << given({"/m/d/a.wav", "/m/d/link.mp3"}, "/m/d") << "" << skip << QStringList{"/m/d/a.mp3"}
        << QStringList{"/m/d/link.mp3=/m/d/a.mp3"} << QStringList{"skip exists: /m/d/a.mp3"};
    QTest::newRow("found: decoding writes WAV, the earlier WAV is no input") << on({Field::flgMP3Decode})
        << given({"/m/d/a.mp3", "/m/d/a.wav"}, "/m/d") << "" << skip << QStringList{"/m/d/a.wav"} << none
        << QStringList{"skip exists: /m/d/a.wav"};
    QTest::newRow("found: mirrored below an output folder inside the folder") << kStart
        << given({"/m/d/a.wav", "/m/d/out/d/a.mp3"}, "/m/d") << "/m/d/out" << skip << QStringList{"/m/d/out/d/a.mp3"}
        << none << QStringList{"skip exists: /m/d/out/d/a.mp3"};
    QTest::newRow("found: a file that is left out writes nothing") << kStart
        << given({"/m/d/a.jpg", "/m/d/a.mp3"}, "/m/d") << "" << skip << QStringList{"/m/d/a.mp3"} << none
        << QStringList{"skip not sound: ", "skip is input: /m/d/a.mp3"};
    QTest::newRow("named alone: still an input, told as the other's output") << kStart
        << given({"/m/d/a.wav"}, "/m/d") + given({"/m/d/a.mp3"}) << "" << skip << QStringList{"/m/d/a.mp3"} << none
        << QStringList{"skip is another input: /m/d/a.mp3", "skip is input: /m/d/a.mp3"};
    QTest::newRow("skipped job takes no name") << kStart << given({"/a/x.wav", "/b/x.wav"}) << "/o" << skip
        << QStringList{"/o/x.mp3"} << none << QStringList{"skip exists: /o/x.mp3", "skip exists: /o/x.mp3"};
}
// clang-format on

void TestBatchPlan::outputs()
{
    QFETCH(Setup, options);
    QFETCH(Inputs, inputs);
    QFETCH(QString, outputFolder);
    QFETCH(ExistingOutputPolicy, policy);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, sameFiles);
    QFETCH(QStringList, expected);

    BatchRequest request;
    options(request.options);
    request.inputs = inputs;
    request.outputFolder = outputFolder;
    request.existing = policy;
    JobInputs jobInputs;
    const fenwave::BatchJobs jobs = planBatch(request, FakeFacts(existing, sameFiles), jobInputs);
    QCOMPARE(outcomes(jobs), expected);
    QCOMPARE(jobInputs.inputOfJob.size(), jobs.size());
    QCOMPARE(jobInputs.jobOfInput.size(), qsizetype(inputs.size()));
    for (qsizetype job : jobInputs.jobOfInput) // every input is listed, as a job or as one's output
        QVERIFY(job >= 0 && job < jobs.size());
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        QCOMPARE(jobInputs.jobOfInput[jobInputs.inputOfJob[i]], i);
        const fenwave::BatchInput &input = inputs[std::size_t(jobInputs.inputOfJob[i])];
        QCOMPARE(jobs[i].input, input.path);
        if (jobs[i].skipped()) {
            QVERIFY(jobs[i].switches.isEmpty());
        } else {
            const QStringList arguments = encoderArguments(jobs[i].switches, jobs[i].input, jobs[i].output);
            QCOMPARE(arguments.mid(arguments.size() - 2), QStringList({input.path, jobs[i].output}));
        }
    }
}

// clang-format off
void TestBatchPlan::patternedOutputs_data()
{
    QTest::addColumn<Inputs>("inputs"); // none of them tagged
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    const QString byTags = "{artist}/{album}/{track} {title}";

    // Untagged files keep their place instead of all landing in one "Unknown artist" folder.
    QTest::newRow("found in a folder: the mirrored folders") << given({"/m/Music/A1/01 Intro.wav",
        "/m/Music/A2/01 Intro.wav", "/m/Music/A2/b.wav"}, "/m/Music") << "/out" << byTags
        << QStringList{"/out/Music/A1/01 Intro.mp3", "/out/Music/A2/01 Intro.mp3", "/out/Music/A2/b.mp3"};
    QTest::newRow("given alone: their folders below the folder holding them all")
        << given({"/m/A1/x.wav", "/m/A2/sub/x.wav", "/m/y.wav"}) << "/out" << byTags
        << QStringList{"/out/A1/x.mp3", "/out/A2/sub/x.mp3", "/out/y.mp3"};
    QTest::newRow("alone and found mixed") << given({"/m/a/x.wav"}) + given({"/n/Album/CD 2/y.wav"}, "/n/Album")
        << "/out" << byTags << QStringList{"/out/x.mp3", "/out/Album/CD 2/y.mp3"};
    QTest::newRow("no output folder: beside the input, the folders before the tags kept")
        << given({"/m/A1/x.wav"}) << "" << "mp3/{albumartist}/{year}/{title}" << QStringList{"/m/A1/mp3/x.mp3"};
}
// clang-format on

void TestBatchPlan::patternedOutputs()
{
    QFETCH(Inputs, inputs);
    QFETCH(QString, outputFolder);
    QFETCH(QString, pattern);
    BatchRequest request;
    request.inputs = inputs;
    request.outputFolder = outputFolder;
    request.namePattern = pattern;
    QTEST(outcomes(planBatch(request, FakeFacts({}, {}))), "expected");
}

// clang-format off
void TestBatchPlan::arguments_data()
{
    QTest::addColumn<Setup>("options");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("expected");
    const auto texts = [](std::initializer_list<std::pair<Field, const char *>> values) {
        return Setup([v = std::vector<std::pair<Field, const char *>>(values)](OptionSet &o) {
            for (const auto &[field, text] : v)
                o.setText(field, QString::fromUtf8(text));
        });
    };

    QTest::newRow("start values") << kStart << "a.wav" << QStringList{"-m", "j", "-b", "128", "a.wav", "a.mp3"};
    QTest::newRow("default settings") << on({Field::flgDefault, Field::flgCopyright}) << "a.wav"
        << QStringList{"-h", "a.wav", "a.mp3"};
    // The page's artist and year meet each file's own tags as its job starts.
    QTest::newRow("title and track left out, the page's tags left to each job") << texts({{Field::edtSongName, "Song"},
        {Field::edtTrackNumber, "3"}, {Field::edtArtist, " Чайковский и друзья "}, {Field::edtYear, "20 01"}}) << "a.wav"
        << QStringList{"-m", "j", "-b", "128", "a.wav", "a.mp3"};
    QTest::newRow("preset") << Setup([](OptionSet &o) { o.setAvailable(Field::cbxPresets, true); o.setIndex(Field::cbxPresets, 0); })
        << "a.wav" << QStringList{"-m", "j", "--preset", "phone", "-b", "128", "a.wav", "a.mp3"};
    QTest::newRow("variable bitrate") << on({Field::rbutVBR, Field::flgSupport}) << "a.wav"
        << QStringList{"-m", "j", "--vbr-old", "-V", "4", "-b", "32", "-B", "320", "-F", "a.wav", "a.mp3"};
    QTest::newRow("the file's own tags wait for its job's start") << kStart << "03 Title.wav"
        << QStringList{"-m", "j", "-b", "128", "03 Title.wav", "03 Title.mp3"};
    QTest::newRow("decode") << on({Field::flgMP3Decode}) << "a.mp3" << QStringList{"-m", "j", "--decode", "-b", "128", "a.mp3", "a.wav"};

    // A name beginning with "-" cannot reach the encoder as an option, input or output.
    QTest::newRow("leading dash") << kStart << "-dash.wav" << QStringList{"-m", "j", "-b", "128", "./-dash.wav", "./-dash.mp3"};
    QTest::newRow("lone dash") << kStart << "-" << QStringList{"-m", "j", "-b", "128", "./-", "./-.mp3"};
    QTest::newRow("dash inside") << kStart << "a-b.wav" << QStringList{"-m", "j", "-b", "128", "a-b.wav", "a-b.mp3"};

    // Every name arrives as one exact argument, untrimmed.
    for (const char *name : {"with blanks.wav", "with\ttab.wav", "line\nbreak.wav", "say \"hi\".wav", "  leading.wav",
                             "trailing .wav", "Музыка/песня.wav", "a'b;$(x).wav"}) {
        QString output = QString::fromUtf8(name);
        output.replace(".wav", ".mp3");
        const QString rowName = QString::fromUtf8(name).replace('\n', "\\n").replace('\t', "\\t");
        QTest::newRow(qPrintable(rowName)) << kStart << QString::fromUtf8(name)
                            << QStringList{"-m", "j", "-b", "128", QString::fromUtf8(name), output};
    }
}
// clang-format on

void TestBatchPlan::arguments()
{
    QFETCH(Setup, options);
    QFETCH(QString, input);
    QFETCH(QStringList, expected);
    BatchRequest request;
    request.options.setText(Field::LamePath, "lame");
    options(request.options);
    request.inputs = given({input});
    const fenwave::BatchJobs jobs = planBatch(request, FakeFacts({}, {}));
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(encoderArguments(jobs.front().switches, jobs.front().input, jobs.front().output), expected);
    QVERIFY(jobs.front().tagRules.carry);
}

// The ID3 page's fields reach each job as the batch asked, to meet the file's own tags there.
void TestBatchPlan::pageTagsReachEachJob()
{
    SourceTags own;
    own.artist = QStringLiteral("Own");
    for (const PageTags how : {PageTags::Fill, PageTags::Replace}) {
        BatchRequest request;
        request.options.setText(Field::edtArtist, QStringLiteral(" Чайковский "));
        request.pageTags = how;
        request.inputs = given({"a.wav"});
        const fenwave::BatchJobs jobs = planBatch(request, FakeFacts({}, {}));
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(fileTagSwitches(jobs.front().tagRules, own, QStringLiteral("a.wav"), QString()),
                 QStringList({"--ta", how == PageTags::Fill ? "Own" : "Чайковский"}));
    }
}

using Kinds = QList<SoundKind>;
Q_DECLARE_METATYPE(std::optional<Kinds>)

// clang-format off
void TestBatchPlan::routes_data()
{
    QTest::addColumn<Setup>("options");
    QTest::addColumn<QString>("input");
    QTest::addColumn<std::optional<Kinds>>("readStraight"); // what the probe found; none: not run
    QTest::addColumn<bool>("decoder");                      // ffmpeg is there
    QTest::addColumn<QString>("expected");                  // the command lines, or "skip <reason>"
    const std::optional<Kinds> notProbed;
    const std::optional<Kinds> readsFlac = Kinds{SoundKind::Flac};
    const std::optional<Kinds> readsNone = Kinds{};
    const QString piped = "ffmpeg -nostdin -v error -xerror -progress pipe:2 -i %1 -vn -c:a pcm_s24le -f wav - | lame --ignorelength -m j -b 128 - %2";
    const QString downmixed = "ffmpeg -nostdin -v error -xerror -progress pipe:2 -i %1 -vn -ac 2 -c:a pcm_s24le -f wav - | lame --ignorelength -m j -b 128 - %2";
    // Channels not known: one or two kept, more downmixed.
    const QString atMostTwo = "ffmpeg -nostdin -v error -xerror -progress pipe:2 -i %1 -vn -af 'aformat=channel_layouts=mono|stereo' -c:a pcm_s24le -f wav - | lame --ignorelength -m j -b 128 - %2";

    QTest::newRow("FLAC, not probed yet: straight") << kStart << "/m/a.flac" << notProbed << false
        << "lame -m j -b 128 /m/a.flac /m/a.mp3";
    QTest::newRow("FLAC the probe read: straight") << kStart << "/m/a.flac" << readsFlac << true
        << "lame -m j -b 128 /m/a.flac /m/a.mp3";
    QTest::newRow("FLAC the probe failed: decoded") << kStart << "/m/a.flac" << readsNone << true
        << piped.arg("/m/a.flac", "/m/a.mp3");
    QTest::newRow("FLAC the probe failed, no decoder") << kStart << "/m/a.flac" << readsNone << false
        << "skip needs decoder";
    QTest::newRow("Opus, only FLAC read: decoded") << kStart << "/m/a.opus" << readsFlac << true
        << piped.arg("/m/a.opus", "/m/a.mp3");
    QTest::newRow("M4A: decoded, at most two channels") << kStart << "/m/a.m4a" << readsFlac << true
        << atMostTwo.arg("/m/a.m4a", "/m/a.mp3");
    QTest::newRow("M4A, not probed: decoded") << kStart << "/m/a.m4a" << notProbed << true
        << atMostTwo.arg("/m/a.m4a", "/m/a.mp3");
    QTest::newRow("M4A, no decoder") << kStart << "/m/a.m4a" << readsFlac << false << "skip needs decoder";
    QTest::newRow("compressed WAV: decoded") << kStart << "/m/a.adpcm" << notProbed << true
        << piped.arg("/m/a.adpcm", "/m/a.mp3");
    QTest::newRow("six channels: downmixed") << kStart << "/m/a.6ch.wav" << notProbed << true
        << downmixed.arg("/m/a.6ch.wav", "/m/a.6ch.mp3");
    QTest::newRow("six-channel FLAC the probe read: downmixed") << kStart << "/m/a.6ch.flac" << readsFlac << true
        << downmixed.arg("/m/a.6ch.flac", "/m/a.6ch.mp3");
    QTest::newRow("two channels: straight") << kStart << "/m/a.2ch.wav" << readsNone << true
        << "lame -m j -b 128 /m/a.2ch.wav /m/a.2ch.mp3";
    QTest::newRow("six channels, no decoder") << kStart << "/m/a.6ch.wav" << notProbed << false << "skip needs decoder";
    // Listed from a folder, with the content check's answer: an M4A's channels are not in its first bytes.
    QTest::newRow("M4A from a folder: at most two channels") << kStart << "listed /m/a.m4a" << notProbed << true
        << atMostTwo.arg("/m/a.m4a", "/m/a.mp3");
    QTest::newRow("MPEG: its layer's input switch") << kStart << "/m/a.mp2" << readsNone << true
        << "lame --mp2input -m j -b 128 /m/a.mp2 /m/a.mp3";
    QTest::newRow("MPEG, default settings: its switch too") << on({Field::flgDefault}) << "/m/a.mp2" << readsNone
        << true << "lame --mp2input -h /m/a.mp2 /m/a.mp3";
    QTest::newRow("relative name: a file to the decoder") << kStart << "pipe:a.m4a" << notProbed << true
        << atMostTwo.arg("file:pipe:a.m4a", "pipe:a.mp3");
    QTest::newRow("not sound: no route") << kStart << "/m/a.jpg" << notProbed << true << "skip not sound";
    // Another input type keeps its own table: no decoder, no switch of the file's own.
    QTest::newRow("Layer II type: M4A not read") << inputType(1) << "/m/a.m4a" << notProbed << true
        << "skip not read";
    QTest::newRow("Layer II type: its switch once") << inputType(1) << "/m/a.mp2" << notProbed << true
        << "lame --mp2input -m j -b 128 /m/a.mp2 /m/a.mp3";
}
// clang-format on

void TestBatchPlan::routes()
{
    QFETCH(Setup, options);
    QFETCH(QString, input);
    QFETCH(std::optional<Kinds>, readStraight);
    QFETCH(bool, decoder);
    QFETCH(QString, expected);
    BatchRequest request;
    options(request.options);
    const FakeFacts facts({}, {});
    const bool listed = input.startsWith("listed ");
    if (listed)
        input = input.mid(7);
    request.inputs = given({input});
    if (listed) // what the folder scan's content check found: the kind, no channels
        request.inputs.front().format = SoundFormat{facts.soundKind(input), 0};
    request.routes.decoder = decoder ? "ffmpeg" : "";
    request.routes.readStraight = readStraight;
    const fenwave::BatchJobs jobs = planBatch(request, facts);
    QCOMPARE(jobs.size(), 1);
    const BatchJob &job = jobs.front();
    if (job.skipped()) {
        QCOMPARE("skip " + reasonWord(job.skip), expected);
        return;
    }
    const QString encoder
        = job.decoder.isEmpty()
              ? shellQuoted(QStringList{"lame"} + encoderArguments(job.switches, job.input, job.output))
              : shellQuoted(job.decoder) + " | "
                    + shellQuoted(QStringList{"lame"} + encoderArgumentsFromPipe(job.switches, job.output));
    QCOMPARE(encoder, expected);
}

// The same-file check on real files: links and other names of an input.
void TestBatchPlan::realFilesUnderAnySpelling()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    const QByteArray layer3Frame
        = QByteArray("\xff\xfb\x90\x00", 4) + QByteArray(413, '\0'); // what the input type reads
    for (const char *name : {"a.wav", "b.wav", "c.MP3", "d.wav", "f.wav", "e.wav"})
        testing::mustWrite(root + "/" + name, layer3Frame);
    QVERIFY(QFile::link(root + "/b.wav", root + "/a.mp3")); // a's output is input b
    QCOMPARE(::link(QFile::encodeName(root + "/c.MP3").constData(), QFile::encodeName(root + "/c.mp3").constData()), 0);
    QVERIFY(QFile::link(root + "/gone", root + "/d.mp3")); // a dangling link stands in the way
    // Writing through a dangling link writes its target, which is f's output: e gets a number.
    QVERIFY(QFile::link(root + "/f.mp3", root + "/e.mp3"));
    BatchRequest request;
    request.options.setIndex(Field::rgrInputType, 2);
    request.inputs
        = given({root + "/a.wav", root + "/b.wav", root + "/c.MP3", root + "/d.wav", root + "/f.wav", root + "/e.wav"});
    const QStringList expected{
        "skip is another input: " + root + "/a.mp3", root + "/b.mp3", "skip is input: " + root + "/c.mp3",
        "skip exists: " + root + "/d.mp3",           root + "/f.mp3", root + "/e (2).mp3"};
    QCOMPARE(outcomes(planBatch(request, RealFileFacts())), expected);
}

// clang-format off
void TestBatchPlan::whatTheBatchWindowTells_data()
{
    QTest::addColumn<Setup>("options");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("leftOut");
    QTest::addColumn<bool>("handEdit");
    const auto title = [](const char *text) { return Setup([text](OptionSet &o) { o.setText(Field::edtSongName, text); }); };

    QTest::newRow("nothing to tell") << kStart << "lame -m j -b 128 in.wav out.mp3" << QStringList{} << false;
    QTest::newRow("hand edit") << kStart << "lame -m j -b 160 in.wav out.mp3" << QStringList{} << true;
    QTest::newRow("nothing composed yet") << kStart << "" << QStringList{} << false;
    QTest::newRow("default settings") << on({Field::flgDefault}) << "lame -h in.wav out.mp3" << QStringList{} << false;
    QTest::newRow("title and track") << Setup([](OptionSet &o) { o.setText(Field::edtSongName, "S"); o.setText(Field::edtTrackNumber, "3"); })
        << "lame -m j -b 128 --tt S --tn 3 in.wav out.mp3" << QStringList{"edtSongName", "edtTrackNumber"} << false;
    QTest::newRow("blank title") << title(" \t") << "lame -m j -b 128 in.wav out.mp3" << QStringList{} << false;
    QTest::newRow("title, default settings") << Setup([](OptionSet &o) { o.setOn(Field::flgDefault, true); o.setText(Field::edtSongName, "S"); })
        << "lame -h in.wav out.mp3" << QStringList{} << false;
}
// clang-format on

void TestBatchPlan::whatTheBatchWindowTells()
{
    QFETCH(Setup, options);
    QFETCH(QString, box);
    QFETCH(QStringList, leftOut);
    QFETCH(bool, handEdit);
    OptionSet o;
    o.setText(Field::LamePath, "lame");
    o.setText(Field::edtInput, "in.wav");
    o.setText(Field::edtOutput, "out.mp3");
    options(o);
    o.setText(Field::edtCommandLine, box);
    QStringList names;
    for (Field f : perFileFieldsLeftOut(o))
        names += OptionSet::info(f).name;
    QCOMPARE(names, leftOut);
    QCOMPARE(commandBoxHoldsHandEdit(o), handEdit);
}

// clang-format off
void TestBatchPlan::shellQuoting_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain words") << QStringList{"-b", "128", "/m/a_b-1.wav"} << "-b 128 /m/a_b-1.wav";
    QTest::newRow("empty") << QStringList{"-s", ""} << "-s ''";
    QTest::newRow("blank") << QStringList{"a b.wav"} << "'a b.wav'";
    QTest::newRow("single quote") << QStringList{"it's.wav"} << "'it'\\''s.wav'";
    QTest::newRow("line break") << QStringList{"a\nb"} << "'a\nb'";
    QTest::newRow("shell characters") << QStringList{"$(x);`y`|*\"\\"} << "'$(x);`y`|*\"\\'";
    QTest::newRow("Cyrillic") << QStringList{"песня.wav"} << "'песня.wav'";
    QTest::newRow("leading dash and tilde") << QStringList{"~/a", "--ta"} << "'~/a' --ta";
}
// clang-format on

void TestBatchPlan::shellQuoting()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QCOMPARE(shellQuoted(arguments), expected);
}

// The report's names as `ls -b` prints them, except that blanks stay blanks and characters
// that steer the text's direction are escaped too.
// clang-format off
void TestBatchPlan::reportEscapes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain, blanks, Cyrillic") << QByteArray("in/Трек 1 (a;b).wav") << "in/Трек 1 (a;b).wav";
    QTest::newRow("line break, tab, return") << QByteArray("a\nb\tc\rd") << "a\\nb\\tc\\rd";
    QTest::newRow("escape sequence") << QByteArray("e\033[31m.wav") << "e\\033[31m.wav";
    QTest::newRow("delete") << QByteArray("del\x7f") << "del\\177";
    QTest::newRow("backslash") << QByteArray("back\\slash") << "back\\\\slash";
    QTest::newRow("bytes not UTF-8") << QByteArray("\xff\xfe.wav") << "\\377\\376.wav";
    QTest::newRow("a sequence cut short") << QByteArray("a\xd0") << "a\\320";
    QTest::newRow("an overlong sequence") << QByteArray("\xc0\xaf") << "\\300\\257";
    QTest::newRow("C1 control (CSI)") << QByteArray("c1\xc2\x9b") << "c1\\302\\233";
    QTest::newRow("direction override") << QByteArray("bidi\xe2\x80\xae") << "bidi\\342\\200\\256";
    QTest::newRow("four-byte character") << QByteArray("\xf0\x9f\x8e\xb5.wav") << "\U0001F3B5.wav";
}
// clang-format on

void TestBatchPlan::reportEscapes()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, expected);
    QCOMPARE(escapedForReport(name), expected);
}

QTEST_GUILESS_MAIN(TestBatchPlan)
#include "tst_batchplan.moc"
