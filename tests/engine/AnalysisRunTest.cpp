// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

#include "EngineTest.h"
#include "engine/AnalyseThreadProc.h"
#include "engine/CAnalyseInfoLog.h"
#include "engine/IMessageTarget.h"

namespace {

struct Message {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::string text;         // of a progress block
    std::uint32_t count = 0;  // of a progress block
    bool isBlock() const { return message == WM_ANALYSE_INFO && lParam == kInfoProgressBlock; }
};

// A receiver that handles each message at once, as the console runner does:
// it reads and frees progress blocks and keeps what they said.
class RecordingTarget : public IMessageTarget {
public:
    bool postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        Message m{message, wParam, lParam, {}, 0};
        if (m.isBlock()) {
            const std::unique_ptr<char[]> block(reinterpret_cast<char*>(wParam));
            std::memcpy(&m.count, block.get(), sizeof m.count);
            m.text.assign(block.get() + kProgressTextOffset);
            m.wParam = 0;
        }
        messages.push_back(m);
        if (m.isBlock() && onBlock) onBlock(m);
        return true;
    }

    std::vector<std::string> blockTexts() const {
        std::vector<std::string> texts;
        for (const Message& m : messages)
            if (m.isBlock()) texts.push_back(m.text);
        return texts;
    }

    std::vector<Message> messages;
    std::function<void(const Message&)> onBlock;
};

// Every folder of the scratch drive in stored form, the data directory
// included (it is entered, not read) and nothing below it.
std::vector<std::string> foldersOfTheDrive() {
    namespace fs = std::filesystem;
    const fs::path root = testsupport::prepareScratchEnvironment();
    const std::string dataDirectory = ConfigInfo::global().getDataDirectory();
    std::vector<std::string> folders{"C:\\"};
    for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
        if (!it->is_directory() || it->is_symlink()) continue;
        std::string path = "C:\\" + fs::relative(it->path(), root).string() + "\\";
        std::replace(path.begin(), path.end(), '/', '\\');
        if (path.size() > dataDirectory.size() && path.rfind(dataDirectory, 0) == 0) continue;
        folders.push_back(path);
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

}  // namespace

class AnalysisRunTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        tree_.writeFile("a.txt", "same");
        tree_.writeFile("sub/b.txt", "same");
        tree_.writeFile("sub/deeper/c.bin", std::string(300, 'c'));
    }
    RecordingTarget target_;
};

TEST_F(AnalysisRunTest, RunPostsStartedFirstAndFinishedLast) {
    EXPECT_EQ(AnalyseThreadProc(&target_), 0u);
    ASSERT_GE(target_.messages.size(), 2u);
    EXPECT_EQ(target_.messages.front().message, WM_ANALYSE_STATE);
    EXPECT_EQ(target_.messages.front().wParam, kStateStarted);
    EXPECT_EQ(target_.messages.back().message, WM_ANALYSE_STATE);
    EXPECT_EQ(target_.messages.back().wParam, kStateFinished);
    const auto states =
        std::count_if(target_.messages.begin(), target_.messages.end(),
                      [](const Message& m) { return m.message == WM_ANALYSE_STATE; });
    EXPECT_EQ(states, 2);
}

TEST_F(AnalysisRunTest, EveryFolderEnteredPostsExactlyOneBlock) {
    (void)AnalyseThreadProc(&target_);
    std::vector<std::string> texts = target_.blockTexts();
    ASSERT_GE(texts.size(), 2u);
    texts.resize(texts.size() - 2);  // the two index texts
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, foldersOfTheDrive());
}

TEST_F(AnalysisRunTest, IndexTextsFollowTheScanWithTheFinalCount) {
    (void)AnalyseThreadProc(&target_);
    const auto& m = target_.messages;
    ASSERT_GE(m.size(), 4u);
    const Message& building = m[m.size() - 3];
    const Message& done = m[m.size() - 2];
    ASSERT_TRUE(building.isBlock());
    ASSERT_TRUE(done.isBlock());
    EXPECT_EQ(building.text, "正在建立统计索引.....");
    EXPECT_EQ(done.text, "建立统计索引完成.");
    EXPECT_EQ(building.count, 3u);
    EXPECT_EQ(done.count, 3u);
}

TEST_F(AnalysisRunTest, RunLeavesAnIndexOfTheScannedFiles) {
    (void)AnalyseThreadProc(&target_);
    const auto rows = selectRows("SELECT FNUM, FNAME FROM FILEINFO_IDX ORDER BY ID");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (CSqliteDB::Row{"2", "a.txt"}));
}

TEST_F(AnalysisRunTest, ScanRecordIsWrittenAfterTheScanWithTheTimeTakenBeforeIt) {
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    std::size_t recordsDuringScan = 99;
    std::int64_t firstBlockTime = 0;
    target_.onBlock = [&](const Message& block) {
        if (firstBlockTime == 0) firstBlockTime = std::time(nullptr);
        if (block.text == folder("sub"))
            recordsDuringScan = selectRows("SELECT ID FROM FILEINFO_SCN").size();
    };
    (void)AnalyseThreadProc(&target_);
    EXPECT_EQ(recordsDuringScan, 0u);
    const auto rows = selectRows("SELECT FNAME, FTIME FROM FILEINFO_SCN");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(0), "C:\\");
    const std::int64_t started = std::stoll(rows[0].at(1));
    EXPECT_GE(started, before);
    EXPECT_LE(started, firstBlockTime);
}

TEST_F(AnalysisRunTest, SecondRunFingerprintsAgainOnlyWhatChangedAfterTheFirstBegan) {
    (void)AnalyseThreadProc(&target_);
    const std::int64_t started =
        std::stoll(selectRows("SELECT FTIME FROM FILEINFO_SCN").at(0).at(0));
    tree_.writeFile("a.txt", "edit");  // same folder time, same size
    tree_.setModificationTime("a.txt", started + 1);
    tree_.writeFile("sub/b.txt", "edi2");
    tree_.setModificationTime("sub/b.txt", started);  // not later: not read again
    RecordingTarget second;
    (void)AnalyseThreadProc(&second);
    const auto files = storedFiles();
    EXPECT_EQ(files.at(tree_.drivePath("a.txt")).substr(8, 8), "65646974");       // "edit"
    EXPECT_EQ(files.at(tree_.drivePath("sub\\b.txt")).substr(8, 8), "73616D65");  // "same"
}

class InfoLogTest : public ::testing::Test {
protected:
    RecordingTarget target_;
    CAnalyseInfoLog log_{&target_};
};

TEST_F(InfoLogTest, BlockCarriesTheCountAndTheText) {
    for (int i = 0; i < 7; ++i) log_.count++;
    EXPECT_EQ(log_.print("C:\\DATA\\"), 1);
    ASSERT_EQ(target_.messages.size(), 1u);
    EXPECT_EQ(target_.messages[0].count, 7u);
    EXPECT_EQ(target_.messages[0].text, "C:\\DATA\\");
}

TEST_F(InfoLogTest, TextLongerThan507BytesIsCutTo507) {
    const std::string text(600, 'a');
    (void)log_.print(text.c_str());
    EXPECT_EQ(target_.messages.at(0).text, std::string(507, 'a'));
}

TEST_F(InfoLogTest, CutLeavesOutACharacterThatWouldNotFitWhole) {
    const std::string text = std::string(505, 'a') + "中文";  // 3-byte sequences at 505 and 508
    (void)log_.print(text.c_str());
    EXPECT_EQ(target_.messages.at(0).text, std::string(505, 'a'));
}

TEST_F(InfoLogTest, CharacterEndingExactlyAtTheLimitIsKept) {
    const std::string text = std::string(504, 'a') + "中文";
    (void)log_.print(text.c_str());
    EXPECT_EQ(target_.messages.at(0).text, std::string(504, 'a') + "中");
}

TEST_F(InfoLogTest, CountIsPostedAtMostOncePerClockSecond) {
    const auto start = static_cast<std::int64_t>(std::time(nullptr));
    CAnalyseInfoLog log(&target_);
    // Tick until the clock has moved on at least once past the construction's second.
    while (std::time(nullptr) < start + 2) log.tick();
    const auto end = static_cast<std::int64_t>(std::time(nullptr));
    std::vector<std::uintptr_t> counts;
    for (const Message& m : target_.messages) {
        ASSERT_EQ(m.lParam, kInfoFileCount);
        counts.push_back(m.wParam);
    }
    ASSERT_FALSE(counts.empty());
    EXPECT_LE(static_cast<std::int64_t>(counts.size()), end - start);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_LE(counts.back(), static_cast<std::uintptr_t>(log.count));
}
