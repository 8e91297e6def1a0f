// The rules of a conversion apart from the window: the default output name,
// the progress updates and their texts, the decode mode, one file under two
// names.
#include <QTest>

#include <filesystem>

#include "convert_rules.h"
#include "test_files.h"

using namespace zrc::player;
using zrc::test::TempDir;

namespace {
QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

std::vector<int> updatePages(int pageCount) {
    std::vector<int> pages;
    for (int p = 0; p < pageCount; ++p) {
        if (isProgressPage(p, pageCount)) pages.push_back(p);
    }
    return pages;
}

std::vector<int> steps(int from, int to, int step) {
    std::vector<int> values;
    for (int v = from; v <= to; v += step) values.push_back(v);
    return values;
}
}  // namespace

class ConvertRulesTest : public QObject {
    Q_OBJECT

private slots:
    void crExstr_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("result");
        QTest::newRow("recording") << "MEMO01.zrc" << "wav" << "MEMO01.wav";
        QTest::newRow("upper-case WAV is not wav") << "MEMO01.WAV" << "wav" << "MEMO01.wav";
        QTest::newRow("already wav") << "MEMO01.wav" << "wav" << "MEMO01.wav";
        QTest::newRow("no dot looked for") << "README" << "wav" << "REAwav";
        QTest::newRow("full path") << "/home/u/rec/MEMO01.zrc" << "wav" << "/home/u/rec/MEMO01.wav";
        QTest::newRow("shorter than three") << "ab" << "wav" << "wav";
        QTest::newRow("empty") << "" << "wav" << "wav";
        QTest::newRow("characters, not bytes") << QString::fromUtf8("/録音/会議.zrc") << "wav"
                                                << QString::fromUtf8("/録音/会議.wav");
    }
    void crExstr() {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QFETCH(QString, result);
        QCOMPARE(CrExstr(name, extension), result);
    }

    void progressPages_data() {
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<std::vector<int>>("pages");
        QTest::newRow("1 page") << 1 << std::vector<int>{0};
        QTest::newRow("2 pages") << 2 << std::vector<int>{0, 1};
        QTest::newRow("3 pages: the last is even") << 3 << std::vector<int>{0, 2};
        // 100 and 101 pages: ConvertTest::progressUpdates, through the window.
        QTest::newRow("106 pages: the last is a 15th") << 106 << steps(0, 105, 15);
    }
    void progressPages() {
        QFETCH(int, pageCount);
        QFETCH(std::vector<int>, pages);
        QCOMPARE(updatePages(pageCount), pages);
    }

    void progressPercent_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<QString>("text");
        QTest::newRow("first page") << 0 << 100 << "0";
        QTest::newRow("page 1 of 4") << 1 << 4 << "33";
        QTest::newRow("truncated, not rounded") << 98 << 100 << "98";
        QTest::newRow("last page") << 99 << 100 << "100";
        // 29 / 100 is a shade under 0.29: divided first, it shows 28.
        QTest::newRow("divided before scaled, 29") << 29 << 101 << "28";
        QTest::newRow("divided before scaled, 58") << 58 << 101 << "57";
        QTest::newRow("exact after division") << 45 << 101 << "45";
        QTest::newRow("many pages") << 1'000'000 << 2'000'001 << "50";
    }
    void progressPercent() {
        QFETCH(int, page);
        QFETCH(int, pageCount);
        QFETCH(QString, text);
        QCOMPARE(zrc::player::progressPercent(page, pageCount), std::optional<QString>(text));
    }

    void decodeMode_data() {
        QTest::addColumn<unsigned>("pages0");
        QTest::addColumn<unsigned>("pages1");
        QTest::addColumn<int>("mode");
        QTest::newRow("one type only") << 61u << 0u << 0;
        QTest::newRow("one of each") << 1u << 1u << 2;
        QTest::newRow("mixed") << 400u << 100u << 2;
    }
    void decodeMode() {
        QFETCH(unsigned, pages0);
        QFETCH(unsigned, pages1);
        QFETCH(int, mode);
        QCOMPARE(zrc::player::decodeMode(pages0, pages1), mode);
    }

    void sameFile_data() {
        QTest::addColumn<QString>("other");  // how the second name reaches memo.zrc, or another file
        QTest::addColumn<bool>("same");
        QTest::newRow("same path") << "same" << true;
        QTest::newRow("dot in the path") << "dot" << true;
        QTest::newRow("symbolic link") << "symlink" << true;
        QTest::newRow("hard link") << "hardlink" << true;
        QTest::newRow("copy") << "copy" << false;
        QTest::newRow("missing file") << "missing" << false;
    }
    void sameFile() {
        QFETCH(QString, other);
        QFETCH(bool, same);
        TempDir dir;
        const auto memo = dir.file("memo.zrc");
        zrc::test::writeFile(memo, {1, 2, 3});
        const QString base = qpath(dir.path());
        QString second;
        if (other == QLatin1String("same")) second = qpath(memo);
        if (other == QLatin1String("dot")) second = base + QStringLiteral("/./memo.zrc");
        if (other == QLatin1String("symlink")) {
            std::filesystem::create_symlink(memo, dir.file("link.wav"));
            second = qpath(dir.file("link.wav"));
        }
        if (other == QLatin1String("hardlink")) {
            std::filesystem::create_hard_link(memo, dir.file("hard.wav"));
            second = qpath(dir.file("hard.wav"));
        }
        if (other == QLatin1String("copy")) {
            zrc::test::writeFile(dir.file("copy.zrc"), {1, 2, 3});
            second = qpath(dir.file("copy.zrc"));
        }
        if (other == QLatin1String("missing")) second = qpath(dir.file("memo.wav"));
        QCOMPARE(isSameFile(second, qpath(memo)), same);
        QCOMPARE(isSameFile(qpath(memo), second), same);
    }
};

QTEST_MAIN(ConvertRulesTest)
#include "convert_rules_test.moc"
