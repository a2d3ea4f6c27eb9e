// SPDX-License-Identifier: MIT
#include "engine/FileCategories.h"

#include <array>
#include <cstddef>

namespace {

// The extension keys of each category with a list of its own: the upper-case
// extension from the last dot, with "|" appended so that a key ends exactly
// where the name ends (".C|" never matches ".CPP|").
constexpr std::string_view kDevelopmentKeys[] = {
    ".C|",   ".CPP|",  ".H|",   ".RC|",  ".RC2|", ".VCXPROJ|", ".DSW|", ".SLN|",
    ".ICO|", ".JAVA|", ".JS|",  ".XML|", ".PHP|", ".PL|",      ".OBJ|", ".CLASS|",
    ".JAR|", ".WAR|",  ".ILK|", ".IDL|", ".PCH|", ".IPCH|",    ".EAR|"};
constexpr std::string_view kPicturesKeys[] = {".JPG|", ".GIF|", ".PNG|", ".BMP|"};
constexpr std::string_view kDocumentsKeys[] = {".DOC|", ".DOCX|", ".XLS|", ".XLSX|",
                                               ".PPT|", ".PPTX|", ".PDF|", ".RTF|"};
constexpr std::string_view kMusicKeys[] = {".WAV|", ".MP3|", ".MID|"};
constexpr std::string_view kVideoKeys[] = {".AVI|", ".RM|",  ".RMVB|", ".MKV|", ".MP4|",
                                           ".WMV|", ".3GP|", ".XV|",   ".FLV|", ".F4V|"};
constexpr std::string_view kTextKeys[] = {".TXT|", ".LOG|", ".INI|"};
constexpr std::string_view kWebPagesKeys[] = {".HTM|", ".HTML|", ".CHM|", ".MHT|", ".URL|"};
constexpr std::string_view kArchivesKeys[] = {".ZIP|", ".RAR|", ".TAR|", ".GZ|",
                                              ".XZ|",  ".7Z|",  ".ISO|"};
constexpr std::string_view kProgramsKeys[] = {".EXE|", ".COM|", ".MSI|", ".BAT|"};

// A key is built in a buffer of this size; every key of the lists fits, so a
// longer extension is in no list.
constexpr std::size_t kKeyBuffer = 16;

template <std::size_t N>
constexpr bool keysFit(const std::string_view (&keys)[N]) {
    for (std::string_view key : keys)
        if (key.size() > kKeyBuffer) return false;
    return true;
}
static_assert(keysFit(kDevelopmentKeys) && keysFit(kPicturesKeys) && keysFit(kDocumentsKeys) &&
              keysFit(kMusicKeys) && keysFit(kVideoKeys) && keysFit(kTextKeys) &&
              keysFit(kWebPagesKeys) && keysFit(kArchivesKeys) && keysFit(kProgramsKeys));

template <std::size_t N>
void addExtensions(std::unordered_map<std::string_view, int>& table,
                   const std::string_view (&keys)[N], int code) {
    for (std::string_view key : keys) table[key] = code;
}

}  // namespace

FileCategories::FileCategories() {
    addExtensions(extensions_, kDevelopmentKeys, kDevelopment);
    addExtensions(extensions_, kPicturesKeys, kPictures);
    addExtensions(extensions_, kDocumentsKeys, kDocuments);
    addExtensions(extensions_, kMusicKeys, kMusic);
    addExtensions(extensions_, kVideoKeys, kVideo);
    addExtensions(extensions_, kTextKeys, kText);
    addExtensions(extensions_, kWebPagesKeys, kWebPages);
    addExtensions(extensions_, kArchivesKeys, kArchives);
    addExtensions(extensions_, kProgramsKeys, kPrograms);
}

// The key is built in place in a small buffer and looked up in the table.
int FileCategories::of(std::string_view name) const {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot + 1 > kKeyBuffer) return kOther;
    std::array<char, kKeyBuffer> key{};
    std::size_t length = 0;
    for (std::size_t i = dot; i < name.size(); ++i) {
        const char c = name[i];
        key[length++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    key[length++] = '|';
    const auto found = extensions_.find(std::string_view(key.data(), length));
    return found == extensions_.end() ? kOther : found->second;
}
