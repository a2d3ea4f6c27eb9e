// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <cstddef>
#include <map>

// A dialog described the way a resource template describes it: a caption, a
// size in dialog units, a font size, and a table of controls with their
// number, kind, text, rectangle (dialog units) and style. Texts are UTF-8.
enum class ControlKind {
    PushButton,
    DefaultPushButton,
    RadioButton,
    Static,
    Icon,  // text: the icon's resource path
    Edit,
    ListView,
    TreeView,
    TabControl,
    UpDown,
    ProgressBar,
};

// Style bits; a kind ignores the bits that do not apply to it.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kReadOnly = 1u << 0,
    kMultiLine = 1u << 1,
    kNoBorder = 1u << 2,
    kAlignRight = 1u << 3,
    kDigitsOnly = 1u << 4,
    kNoTabStop = 1u << 5,
    kDisabled = 1u << 6,
};

struct ControlTemplate {
    int id;  // ids::kNoId for a control nobody addresses
    ControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
    unsigned style;
    const char* objectName;  // how tests and style sheets find the widget
};

struct DialogTemplate {
    int id;
    const char* caption;  // null for a child page
    int width, height;    // dialog units
    int pointSize;
    const ControlTemplate* controls;
    std::size_t controlCount;
};

class QLineEdit;

// Sets the text of a one-line field and shows it from its first character,
// as a template's edit control does.
void setFieldText(QLineEdit* edit, const QString& text);

// The widgets a template produced, by control number.
class ControlMap {
public:
    void add(int id, QWidget* widget) { widgets_[id] = widget; }
    // The widget of `id` as T; null when there is none or it is no T.
    template <class T>
    T* get(int id) const {
        const auto it = widgets_.find(id);
        return it == widgets_.end() ? nullptr : qobject_cast<T*>(it->second);
    }

private:
    std::map<int, QWidget*> widgets_;
};

// Builds dialogs from templates. Dialog units become pixels through the
// dialog font's average character width w and height h: x * w / 4, y * h / 8.
class DialogTemplateBuilder {
public:
    // The average character width and the height of `font`, as the
    // conversion uses them.
    static QSize baseUnits(const QFont& font);
    static QRect toPixels(const QFont& font, int x, int y, int width, int height);

    // Gives `host` the template's font, caption and fixed size, and creates
    // every control on it in table order, which is also the tab order.
    // Numbered controls are entered into `controls`.
    static void build(QWidget& host, const DialogTemplate& dialog, ControlMap& controls);

    // Places the controls `build` made on `host` at their rectangles, the
    // horizontal coordinates multiplied by `scaleX`, the vertical by `scaleY`.
    static void placeControls(QWidget& host, const DialogTemplate& dialog, double scaleX,
                              double scaleY);

    // The font the template asks for: the platform's dialog face at its size.
    static QFont templateFont(const DialogTemplate& dialog);

private:
    static QWidget* createControl(QWidget& host, const ControlTemplate& control);
};
