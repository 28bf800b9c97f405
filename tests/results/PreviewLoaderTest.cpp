// Reading a preview on its own thread: the notes for what has no lines to show, the lines
// of a file, and a slow read abandoned for the next request, whose results never come out.

#include "results/PreviewLoader.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/SystemError.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

// The notifications of a loader, as its owner receives them.
class TNewsBox {
public:
    std::function<void(uint64_t)> Notifier() {
        return [this](uint64_t id) {
            std::lock_guard lock(mutex_);
            ids_.push_back(id);
            arrived_.notify_all();
        };
    }

    bool WaitFor(uint64_t id, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] {
            const auto found = std::find(ids_.begin(), ids_.end(), id);
            if (found == ids_.end())
                return false;
            ids_.erase(found);
            return true;
        });
    }

    bool Received(uint64_t id) {
        std::lock_guard lock(mutex_);
        return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<uint64_t> ids_;
};

// Everything request `id` produces up to its end, as the owner takes it.
std::optional<TPreviewNews> ReadAll(TPreviewLoader& loader, TNewsBox& box, uint64_t id) {
    TPreviewNews all;
    while (!all.Finished) {
        if (!box.WaitFor(id, std::chrono::seconds(10)))
            return std::nullopt;
        TPreviewNews news;
        if (!loader.Take(id, news))
            return std::nullopt;
        for (TPreviewRow& row : news.Rows)
            all.Rows.push_back(std::move(row));
        all.Header = news.Header;
        all.Finished = news.Finished;
    }
    return all;
}

std::optional<TPreviewNews> Read(TPreviewLoader& loader, TNewsBox& box, TPreviewRequest request) {
    const uint64_t id = loader.Start(std::move(request));
    return ReadAll(loader, box, id);
}

} // namespace

TEST(PreviewLoader, FilesWithoutLinesToShowGetANoteThatSaysWhy) {
    TempDir folder(L"notes");
    TNewsBox box;
    TPreviewLoader loader(box.Notifier());
    const auto header = [&](const std::wstring& path, bool isFolder = false, const std::wstring& text = {}) {
        const std::optional<TPreviewNews> news = Read(loader, box, {path, isFolder, text, false});
        EXPECT_TRUE(news && news->Rows.empty());
        return news ? news->Header : L"(nothing came)";
    };
    EXPECT_EQ(L"No preview: this is a folder.", header(folder.MakeDir(L"sub"), true));
    EXPECT_EQ(L"No preview: this is a folder.", header(folder.Sub(L"sub")));
    EXPECT_EQ(L"No preview: the file no longer exists.", header(folder.Sub(L"gone.txt")));
    EXPECT_EQ(L"The file is empty.", header(folder.WriteFile(L"empty.txt")));
    EXPECT_EQ(L"No preview: this is a binary file, not text.",
              header(folder.WriteFile(L"data.bin", std::string("MZ\0\0\x90\0", 6))));
    EXPECT_EQ(L"No matches: the file may have changed since the search.",
              header(folder.WriteFile(L"other.txt", "no such text"), false, L"needle"));

    const std::wstring locked = folder.WriteFile(L"locked.txt", "needle");
    const UniqueFile holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(L"No preview: the file could not be read (" + SystemErrorText(ERROR_SHARING_VIOLATION) + L").",
              header(locked, false, L"needle"));
}

TEST(PreviewLoader, ReadsTheLinesOfAFileOrTheStartOfAText) {
    TempDir folder(L"lines");
    const std::wstring path = folder.WriteFile(L"notes.txt", "first\r\nthe needle\r\nthird\r\nneedle again");
    TNewsBox box;
    TPreviewLoader loader(box.Notifier());
    const std::optional<TPreviewNews> matches = Read(loader, box, {path, false, L"NEEDLE", false});
    ASSERT_TRUE(matches);
    EXPECT_EQ(L"2 matches in 2 lines", matches->Header);
    ASSERT_EQ(2u, matches->Rows.size());
    EXPECT_EQ(2, matches->Rows[0].Line);
    EXPECT_EQ(L"the needle", matches->Rows[0].Text);
    EXPECT_EQ(4, matches->Rows[1].Line);

    const std::optional<TPreviewNews> start = Read(loader, box, {path, false, L"", false});
    ASSERT_TRUE(start);
    EXPECT_EQ(L"4 lines", start->Header);
    EXPECT_EQ(4u, start->Rows.size());
    // One line longer than a row is shown on two rows, and is still one line.
    const std::optional<TPreviewNews> wide =
        Read(loader, box,
             {folder.WriteFile(L"wide.txt", std::string(PreviewRowWidth + 50, 'w')), false, L"", false});
    ASSERT_TRUE(wide);
    EXPECT_EQ(2u, wide->Rows.size());
    EXPECT_EQ(L"1 line", wide->Header);

    // More lines with matches than are shown: a last row says how many more there are.
    std::string many;
    for (int i = 0; i < 1200; ++i)
        many += "needle\n";
    const std::optional<TPreviewNews> limited =
        Read(loader, box, {folder.WriteFile(L"many.txt", many), false, L"needle", false});
    ASSERT_TRUE(limited);
    EXPECT_EQ(L"1,200 matches in 1,200 lines", limited->Header);
    ASSERT_EQ(1001u, limited->Rows.size());
    EXPECT_TRUE(limited->Rows.back().Note);
    EXPECT_EQ(L"200 more lines with matches are not shown.", limited->Rows.back().Text);
}

TEST(PreviewLoader, ASlowReadIsAbandonedForTheNextRequestAndNothingOfItComesOut) {
    TempDir folder(L"slow");
    const std::wstring slow = folder.WriteFile(L"slow.txt", "slow needle");
    const std::wstring fast = folder.WriteFile(L"fast.txt", "fast needle");
    const UniqueHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    TNewsBox box;
    TPreviewLoader loader(box.Notifier());
    loader.SetOpener([&, slowPath = ExtendedLengthPath(slow)](const std::wstring& path) {
        if (path == slowPath) {
            SetEvent(entered.Get());
            WaitForSingleObject(release.Get(), INFINITE);
        }
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    });

    const uint64_t slowId = loader.Start({slow, false, L"needle", false});
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered.Get(), 10000));
    const std::optional<TPreviewNews> news = Read(loader, box, {fast, false, L"needle", false});
    ASSERT_TRUE(news);
    ASSERT_EQ(1u, news->Rows.size());
    EXPECT_EQ(L"fast needle", news->Rows[0].Text);
    EXPECT_GE(loader.RunningThreads(), 1);

    SetEvent(release.Get());
    for (int i = 0; i < 1000 && loader.RunningThreads() > 0; ++i)
        Sleep(10);
    EXPECT_EQ(0, loader.RunningThreads());
    EXPECT_FALSE(box.Received(slowId));
    TPreviewNews late;
    EXPECT_FALSE(loader.Take(slowId, late));
}
