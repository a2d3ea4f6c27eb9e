// SPDX-License-Identifier: MIT
#include "engine/ui/DialogTemplate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "engine/ui/CUpDownControl.h"
#include "engine/ui/ControlIds.h"

namespace {

QString utf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

QWidget* createEdit(QWidget& host, const ControlTemplate& control) {
    if (control.style & kMultiLine) {
        auto* edit = new QPlainTextEdit(&host);
        edit->setReadOnly(control.style & kReadOnly);
        if (control.style & kNoBorder) edit->setFrameShape(QFrame::NoFrame);
        edit->setPlainText(utf8(control.text));
        return edit;
    }
    auto* edit = new QLineEdit(utf8(control.text), &host);
    edit->setReadOnly(control.style & kReadOnly);
    edit->setFrame(!(control.style & kNoBorder));
    if (control.style & kAlignRight) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (control.style & kDigitsOnly)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    return edit;
}

// A report-mode list: whole rows are selected, one at a time, never edited.
QWidget* createListView(QWidget& host) {
    auto* list = new QTableWidget(&host);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(QFontMetrics(host.font()).height() + 4);
    list->horizontalHeader()->setStretchLastSection(false);
    list->horizontalHeader()->setHighlightSections(false);
    list->setShowGrid(true);
    return list;
}

// A tree without a header that scrolls sideways when its names are long.
QWidget* createTreeView(QWidget& host) {
    auto* tree = new QTreeWidget(&host);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    return tree;
}

}  // namespace

void setFieldText(QLineEdit* edit, const QString& text) {
    if (!edit) return;
    edit->setText(text);
    edit->setCursorPosition(0);
}

QSize DialogTemplateBuilder::baseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded to the nearest pixel.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect DialogTemplateBuilder::toPixels(const QFont& font, int x, int y, int width, int height) {
    const QSize units = baseUnits(font);
    const int w = units.width();
    const int h = units.height();
    return QRect(x * w / 4, y * h / 8, width * w / 4, height * h / 8);
}

QFont DialogTemplateBuilder::templateFont(const DialogTemplate& dialog) {
    QFont font = QApplication::font();
    font.setPointSize(dialog.pointSize);
    return font;
}

void DialogTemplateBuilder::build(QWidget& host, const DialogTemplate& dialog,
                                  ControlMap& controls) {
    host.setFont(templateFont(dialog));
    if (dialog.caption) host.setWindowTitle(utf8(dialog.caption));
    host.setFixedSize(toPixels(host.font(), 0, 0, dialog.width, dialog.height).size());
    for (std::size_t i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& control = dialog.controls[i];
        QWidget* widget = createControl(host, control);
        widget->setObjectName(QString::fromLatin1(control.objectName));
        if (control.style & kDisabled) widget->setEnabled(false);
        if (control.style & kNoTabStop) widget->setFocusPolicy(Qt::NoFocus);
        if (control.id != ids::kNoId) controls.add(control.id, widget);
    }
    placeControls(host, dialog, 1.0, 1.0);
}

void DialogTemplateBuilder::placeControls(QWidget& host, const DialogTemplate& dialog,
                                          double scaleX, double scaleY) {
    for (std::size_t i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& control = dialog.controls[i];
        auto* widget = host.findChild<QWidget*>(QString::fromLatin1(control.objectName),
                                                Qt::FindDirectChildrenOnly);
        if (!widget) continue;
        const QRect rect =
            toPixels(host.font(), control.x, control.y, control.width, control.height);
        widget->setGeometry(qRound(rect.x() * scaleX), qRound(rect.y() * scaleY),
                            qRound(rect.width() * scaleX), qRound(rect.height() * scaleY));
    }
}

QWidget* DialogTemplateBuilder::createControl(QWidget& host, const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(utf8(control.text), &host);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::RadioButton:
            return new QRadioButton(utf8(control.text), &host);
        case ControlKind::Static: {
            auto* label = new QLabel(utf8(control.text), &host);
            if (control.style & kAlignRight) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            return label;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(&host);
            const QRect rect = toPixels(host.font(), 0, 0, control.width, control.height);
            label->setPixmap(QIcon(utf8(control.text)).pixmap(rect.size()));
            return label;
        }
        case ControlKind::Edit:
            return createEdit(host, control);
        case ControlKind::ListView:
            return createListView(host);
        case ControlKind::TreeView:
            return createTreeView(host);
        case ControlKind::TabControl:
            return new QTabWidget(&host);
        case ControlKind::UpDown:
            return new CUpDownControl(&host);
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(&host);
            bar->setTextVisible(false);
            return bar;
        }
    }
    return new QWidget(&host);
}
