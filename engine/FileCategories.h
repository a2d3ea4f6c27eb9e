// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>
#include <unordered_map>

// The codes of the program's file categories, as the main window's buttons
// pass them: 0 every file, 1 development, 2 pictures, 3 documents, 4 other
// (names without a dot, or whose extension is in no list), 5 music, 6 video,
// 7 text, 8 web pages, 9 archives, 10 programs. A base of the classes that
// speak of categories, so that each names the codes as its own.
struct FileCategoryCodes {
    enum Category : int {
        kAll = 0,
        kDevelopment = 1,
        kPictures = 2,
        kDocuments = 3,
        kOther = 4,
        kMusic = 5,
        kVideo = 6,
        kText = 7,
        kWebPages = 8,
        kArchives = 9,
        kPrograms = 10,
    };
    static constexpr int kCategoryCount = 11;
};

// The fixed table of extensions that decides a file name's category, shared
// by the duplicate list and the space view. Built once; then only read, so
// one object may serve several threads.
class FileCategories : public FileCategoryCodes {
public:
    FileCategories();

    // The category (1 .. 10) of a bare file name: the key runs from its last
    // dot to its end, upper-cased in ASCII, with "|" appended; a key in the
    // table gives its list's code, any other key or no dot gives kOther.
    int of(std::string_view name) const;

private:
    std::unordered_map<std::string_view, int> extensions_;  // views of constant keys
};
