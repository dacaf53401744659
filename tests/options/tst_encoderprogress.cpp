#include "options/EncoderProgress.h"

#include <QTest>

using namespace fenwave;

class TestEncoderProgress : public QObject
{
    Q_OBJECT
private slots:
    void progressLines_data();
    void progressLines();
};

// clang-format off
void TestEncoderProgress::progressLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isProgress");
    QTest::addColumn<qlonglong>("done");
    QTest::addColumn<qlonglong>("total");  // 0: unknown

    // Encoding, as the encoder writes it between carriage returns.
    QTest::newRow("encoding") << "  1234/5678  (22%)|    0:01/    0:05|    0:01/    0:05|   28.672x|    0:04 "
                              << true << 1234LL << 5678LL;
    QTest::newRow("encoding, leading CR") << "\r   100/116    (86%)|    0:00/    0:00|" << true << 100LL << 116LL;
    QTest::newRow("encoding, complete") << "   116/116   (100%)|    0:00/    0:00|    0:00/    0:00|   153.38x|    0:00 "
                                        << true << 116LL << 116LL;
    QTest::newRow("encoding, first line") << "     0/116    ( 0%)|    0:00/    0:00|" << true << 0LL << 116LL;
    QTest::newRow("encoding, no total yet") << "     0/       ( 0%)|    0:00/     :  |    0:00/     :  |         x|"
                                            << true << 0LL << 0LL;
    QTest::newRow("encoding, long run") << "123456789/987654321 (12%)|" << true << 123456789LL << 987654321LL;
    // Decoding.
    QTest::newRow("decoding") << "Frame#  1234/5678  128 kbps" << true << 1234LL << 5678LL;
    QTest::newRow("decoding, channels and backspaces") << "\rFrame#     2/116    128 kbps  L  R           \b\b\b"
                                                       << true << 2LL << 116LL;
    QTest::newRow("decoding, no total") << "Frame#   300 128 kbps" << true << 300LL << 0LL;
    QTest::newRow("decoding, zero total") << "Frame#   300/0      128 kbps" << true << 300LL << 0LL;
    // Everything else the encoder writes.
    QTest::newRow("heading") << "    Frame          |  CPU time/estim | REAL time/estim | play/CPU |    ETA "
                             << false << 0LL << 0LL;
    QTest::newRow("banner") << "LAME 3.100 64bits (http://lame.sf.net)" << false << 0LL << 0LL;
    QTest::newRow("rule with time") << "----------------------------------------00:03-------" << false << 0LL << 0LL;
    QTest::newRow("histogram") << "  128.0      100.0        98.5   1.0   0.5" << false << 0LL << 0LL;
    QTest::newRow("file names with a fraction") << "Encoding 1/2 (live).wav to a.mp3" << false << 0LL << 0LL;
    QTest::newRow("fraction without bar") << "  12/34  (5%)" << false << 0LL << 0LL;
    QTest::newRow("word before frame mark") << "Bad Frame#  1/2" << false << 0LL << 0LL;
    QTest::newRow("frame mark without number") << "Frame#" << false << 0LL << 0LL;
    QTest::newRow("empty") << "" << false << 0LL << 0LL;
}
// clang-format on

void TestEncoderProgress::progressLines()
{
    QFETCH(QString, line);
    QFETCH(bool, isProgress);
    QFETCH(qlonglong, done);
    QFETCH(qlonglong, total);

    const std::optional<EncoderProgress> progress = parseEncoderProgress(line);
    QCOMPARE(progress.has_value(), isProgress);
    if (progress) {
        QCOMPARE(progress->done, done);
        QCOMPARE(progress->total, total);
    }
}

QTEST_GUILESS_MAIN(TestEncoderProgress)
#include "tst_encoderprogress.moc"
