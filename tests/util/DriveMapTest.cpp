// SPDX-License-Identifier: MIT
#include "util/platform/DriveMap.h"

#include <gtest/gtest.h>

using platform::DriveMap;

TEST(DriveMap, ParsesEntriesInLetterOrderAndSkipsMalformedOnes) {
    const DriveMap map("d:=/media/usb/;C:=/home/ann;bad;E:relative;F:=x;C:=/home/bob");
    ASSERT_EQ(map.drives().size(), 2u);
    EXPECT_EQ(map.drives()[0].letter, 'C');
    EXPECT_EQ(map.drives()[0].folder, "/home/bob") << "a later entry replaces an earlier one";
    EXPECT_EQ(map.drives()[1].letter, 'D');
    EXPECT_EQ(map.drives()[1].folder, "/media/usb");
}

TEST(DriveMap, TranslatesToNativeForm) {
    const DriveMap map("C:=/;D:=/media/usb");
    EXPECT_EQ(map.toNative("C:\\home\\ann\\x.jpg"), "/home/ann/x.jpg");
    EXPECT_EQ(map.toNative("C:\\"), "/");
    EXPECT_EQ(map.toNative("C:"), "/");
    EXPECT_EQ(map.toNative("d:\\Old\\"), "/media/usb/Old/");
    EXPECT_EQ(map.toNative("D:/a/b"), "/media/usb/a/b");
    EXPECT_EQ(map.toNative("E:\\x"), "") << "unmapped drive";
    EXPECT_EQ(map.toNative("relative\\x"), "");
}

TEST(DriveMap, TranslatesFromNativeByTheLongestFolder) {
    const DriveMap map("C:=/;D:=/media/usb");
    std::string path;
    ASSERT_TRUE(map.fromNative("/media/usb/Photos/a.jpg", path));
    EXPECT_EQ(path, "D:\\Photos\\a.jpg");
    ASSERT_TRUE(map.fromNative("/media/usbstick/a", path));
    EXPECT_EQ(path, "C:\\media\\usbstick\\a") << "a sibling that shares the folder's beginning";
    ASSERT_TRUE(map.fromNative("/media/usb", path));
    EXPECT_EQ(path, "D:\\");
    EXPECT_FALSE(map.fromNative("relative", path));
    EXPECT_FALSE(map.fromNative("/home/a\\b", path)) << "a backslash cannot be written";
}

TEST(DriveMap, OddBytesSurviveTheRoundTrip) {
    const DriveMap map("C:=/srv/data root");
    for (std::string name :
         {"it's \"quoted\"", "blank name ", "caf\xc3\xa9", "bad\xff\xfe", "-lead"}) {
        const std::string native = "/srv/data root/dir/" + name;
        std::string path;
        ASSERT_TRUE(map.fromNative(native, path)) << name;
        EXPECT_EQ(path, "C:\\dir\\" + name);
        EXPECT_EQ(map.toNative(path), native);
    }
}

TEST(DriveMap, CurrentFallsBackToTheWholeFileSystem) {
    const char* saved = std::getenv("LANBROOK_DRIVES");
    const std::string keep = saved != nullptr ? saved : "";
    setenv("LANBROOK_DRIVES", "nonsense", 1);
    ASSERT_EQ(DriveMap::current().drives().size(), 1u);
    EXPECT_EQ(DriveMap::current().drives()[0].letter, 'C');
    EXPECT_EQ(DriveMap::current().toNative("C:\\etc"), "/etc");
    setenv("LANBROOK_DRIVES", keep.c_str(), 1);
}
