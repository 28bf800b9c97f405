#include "settings/ExcludeFolders.h"

#include <gtest/gtest.h>

#include <set>

using namespace quarrow;

TEST(SuggestedExcludeFolders, SortsDropsDuplicatesAndKeepsTheSystemRootSpelling) {
    std::vector<std::wstring> asked;
    const std::set<std::wstring> existing = {L"C:\\RECYCLER", L"D:\\Windows", L"D:\\$Recycle.Bin",
                                             L"D:\\System Volume Information"};
    const auto exists = [&](const std::wstring& path) {
        asked.push_back(path);
        return existing.count(path) > 0;
    };
    // The root's backslash and the folder's merge; the system root loses its trailing one.
    const auto folders = SuggestedExcludeFolders(L"D:\\WINDOWS\\", {L"C:\\", L"D:\\"}, exists);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\RECYCLER", L"D:\\$Recycle.Bin",
                                         L"D:\\System Volume Information", L"D:\\WINDOWS"}),
              folders);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\Windows", L"C:\\RECYCLER", L"C:\\$Recycle.Bin",
                                         L"C:\\System Volume Information", L"D:\\Windows", L"D:\\RECYCLER",
                                         L"D:\\$Recycle.Bin", L"D:\\System Volume Information"}),
              asked);

    // The system root is offered whether or not it exists; nothing else is.
    EXPECT_EQ(std::vector<std::wstring>{L"Q:\\Nowhere"},
              SuggestedExcludeFolders(L"Q:\\Nowhere", {L"C:\\"}, [](const std::wstring&) { return false; }));
    EXPECT_TRUE(SuggestedExcludeFolders(L"", {L"C:\\"}, [](const std::wstring&) { return false; }).empty());
}

TEST(SuggestedExcludeFolders, AsksAboutEveryFolderOnALineOfItsOwn) {
    EXPECT_EQ(L"The following folders have been found on your system that usually can be skipped during a "
              L"search. \r\nWould you like to add these folders to the list of skipped folders?\r\n\r\n"
              L"C:\\RECYCLER\r\nC:\\Windows\r\n",
              SuggestQuestion({L"C:\\RECYCLER", L"C:\\Windows"}));
    EXPECT_EQ(std::wstring(L"No folders have been found on your system that usually can be skipped during a "
                           L"search."),
              NoFoldersToSuggest);
}
