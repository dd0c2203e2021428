#pragma once

#include <QPointer>
#include <QVariant>
#include <functional>
#include <vector>

class QObject;

// The one bridge from the window models to the widgets: a table of rows, each saying what to
// read from a model and how to put it into a widget. After every event the program handles,
// `refresh` copies each value that changed since it was last copied, with the widget's signals
// blocked, so the copy never reads as the user's doing.
class Binder {
  public:
    using Read = std::function<QVariant()>;
    using Write = std::function<void(const QVariant&)>;

    void add(QObject* target, Read read, Write write);
    // The value goes into a Qt property of the target ("text", "enabled", "windowTitle"...).
    void property(QObject* target, const char* name, Read read);

    void refresh();
    // The next refresh copies every row: the user may have left a widget out of step with its
    // model (a click the model ignored).
    void invalidate();

  private:
    struct Row {
        QPointer<QObject> target;
        Read read;
        Write write;
        QVariant last;
        bool copied = false;
    };
    static bool same(const QVariant& a, const QVariant& b);

    std::vector<Row> rows_;
};
