#pragma once

#include <QString>
#include <functional>
#include <vector>

// The window models hold their controls as plain fields, named as the windows name them. Code
// reads and writes them directly; the display layer copies them to widgets after each event and
// turns widget input into the handlers below.

struct Control {
    bool visible = true;
    bool enabled = true;
};

struct Label : Control {
    QString caption;
};

struct TextBox : Control {
    QString text;
};

// The handlers of every control (on_click, on_change) are set by the window that holds it, in one
// place: frmTesting::wire_handlers for the main window, each window's constructor for the others.

struct CommandButton : Control {
    QString caption;
    std::function<void()> on_click;
    // A user's click reaches the handler only while the button can be used.
    void click() {
        if (enabled && visible && on_click) on_click();
    }
};

struct MenuItem : Control {
    QString caption;
    std::function<void()> on_click;
    void click() {
        if (enabled && visible && on_click) on_click();
    }
};

// Setting the value from code runs the click behaviour when the value changes, exactly as the
// user's click would; this is the one place where that rule lives.
struct CheckBox : Control {
    static constexpr int unchecked = 0;
    static constexpr int checked = 1;
    static constexpr int greyed = 2;

    QString caption;
    int value = unchecked;
    std::function<void()> on_click;

    void set_value(int new_value) {
        if (new_value == value) return;
        value = new_value;
        if (on_click) on_click();
    }
};

struct OptionButton;

// The option buttons that share one container: selecting one clears the others.
struct OptionGroup {
    std::vector<OptionButton*> members;
};

struct OptionButton : Control {
    QString caption;
    bool value = false;
    OptionGroup* group = nullptr;
    std::function<void()> on_click;

    // Selecting runs the click behaviour, as a click does; clearing only clears.
    void set_value(bool selected);
};

inline void OptionButton::set_value(bool selected) {
    if (!selected) {
        value = false;
        return;
    }
    if (group) {
        for (OptionButton* other : group->members) {
            if (other != this) other->value = false;
        }
    }
    value = true;
    if (on_click) on_click();
}

// A slider whose value always stays within its range; a change of value runs its handler.
struct Slider : Control {
    int min = 0;
    int max = 10;
    int value = 0;
    std::function<void()> on_change;

    void set_value(int new_value) {
        if (new_value < min) new_value = min;
        if (new_value > max) new_value = max;
        if (new_value == value) return;
        value = new_value;
        if (on_change) on_change();
    }
};
