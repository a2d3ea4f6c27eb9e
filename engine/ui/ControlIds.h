// SPDX-License-Identifier: MIT
#pragma once

// The numbers of the dialog templates, menus, icon and controls of the window
// program. One number may serve several dialogs (1003 is an edit in four of
// them); the names say which role is meant. Controls without a number (most
// labels) use kNoId. Widgets also carry descriptive object names (see the
// templates), which is how tests find them.
namespace ids {

constexpr int kNoId = -1;

// Templates, menus and the icon.
constexpr int kAboutDialog = 100;
constexpr int kAboutMenuString = 101;
constexpr int kMainDialog = 102;
constexpr int kAppIcon = 128;
constexpr int kAnalyseDialog = 129;
constexpr int kListPage = 130;
constexpr int kTreePage = 131;
constexpr int kFileListMenu = 132;
constexpr int kTreeMenu = 133;
constexpr int kIgnoreDialog = 134;

// Framework commands.
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kSysCommandAbout = 16;

// Analysis dialog (129).
constexpr int kAnalyseDrives = 1003;
constexpr int kAnalyseFolder = 1005;
constexpr int kAnalyseCount = 1013;

// List page (130).
constexpr int kGroupList = 1000;
constexpr int kPageSpin = 1004;
constexpr int kPageEdit = 1005;
constexpr int kStatusLine = 1006;

// Tree page (131).
constexpr int kFolderTree = 1016;
constexpr int kTreePath = 1003;
constexpr int kTreeCopies = 1005;
constexpr int kTreeSize = 1013;
constexpr int kIgnoreFolderCommand = 32773;

// Main window (102).
constexpr int kFileList = 1001;
constexpr int kOpenButton = 1002;
constexpr int kSelectedPath = 1003;
constexpr int kAnalyseButton = 1012;
constexpr int kAboutButton = 1014;
constexpr int kTabs = 1015;
constexpr int kIgnoreManagerButton = 1021;
constexpr int kRatioBar = 1022;
constexpr int kRatioText = 1023;
constexpr int kBrowseFolderCommand = 32772;
constexpr int kCategoryAll = 1007;
constexpr int kCategoryDevelopment = 1008;
constexpr int kCategoryPictures = 1009;
constexpr int kCategoryDocuments = 1010;
constexpr int kCategoryOther = 1011;
constexpr int kCategoryMusic = 1017;
constexpr int kCategoryVideo = 1018;
constexpr int kCategoryText = 1019;
constexpr int kCategoryWeb = 1020;
constexpr int kCategoryArchives = 1024;
constexpr int kCategoryPrograms = 1025;

// Ignored-folder manager (134).
constexpr int kIgnoredList = 1000;
constexpr int kReleaseButton = 1002;
constexpr int kIgnoreExplanation = 1003;

// About box (100).
constexpr int kAboutText = 1003;

}  // namespace ids
