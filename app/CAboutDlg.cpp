// SPDX-License-Identifier: MIT
#include "app/CAboutDlg.h"

#include <QPlainTextEdit>

#include "app/AppResources.h"
#include "engine/ui/ControlIds.h"

namespace {

// The icon control loads ":/lanbrook.png" while the template is built.
const DialogTemplate& registeredTemplate();

const ControlTemplate kControls[] = {
    {ids::kNoId, ControlKind::Icon, ":/lanbrook.png", 14, 14, 20, 20, kStyleNone, "appIcon"},
    {ids::kNoId, ControlKind::Static, "Lanbrook，1.0 版", 42, 14, 114, 8, kStyleNone,
     "versionLabel"},
    {ids::kNoId, ControlKind::Static, "Lanbrook 开发组  lanbrook.example.org", 42, 26, 193, 8,
     kStyleNone, "contactLabel"},
    {ids::kAboutText, ControlKind::Edit, "", 16, 47, 313, 203, kReadOnly | kMultiLine,
     "descriptionText"},
    {ids::kOk, ControlKind::DefaultPushButton, "确定", 332, 236, 50, 14, kStyleNone, "okButton"},
};

const DialogTemplate kTemplate = {ids::kAboutDialog, "关于 Lanbrook",     389, 257, 9,
                                  kControls,         std::size(kControls)};

const char* const kDescription[] = {
    "",
    "本软件是一款有用的文件资源管理软件，",
    "能够帮助你管理你电脑上越来越多的文件，",
    "帮助你了解你越来越少的硬盘空间被什么占用了，",
    "了解文件你电脑上究竟多少重复的文件，",
    "如果你在使用中有任何建议，请发邮件到联系邮箱，",
    "同时你以后也会收到软件新版本的更新通知。",
    "网址：https://lanbrook.example.org",
    "邮箱：feedback@lanbrook.example.org",
};

const DialogTemplate& registeredTemplate() {
    initAppResources();
    return kTemplate;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CTemplateDialog(registeredTemplate(), parent) {
    setObjectName("aboutDialog");
}

QString CAboutDlg::descriptionText() {
    QStringList lines;
    for (const char* line : kDescription) lines << QString::fromUtf8(line);
    return lines.join(QStringLiteral("\r\n"));
}

bool CAboutDlg::OnInitDialog() {
    m_text = descriptionText();
    // The edit shows lines, not the separators: CR LF becomes a line break.
    QString shown = m_text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    control<QPlainTextEdit>(ids::kAboutText)->setPlainText(shown);
    return true;
}
