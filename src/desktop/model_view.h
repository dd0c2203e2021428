#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <functional>
#include <memory>

#include "controls/controls.h"
#include "controls/picture.h"
#include "desktop/binder.h"
#include "desktop/model_window.h"
#include "desktop/picture_view.h"
#include "desktop/wrapped_text.h"
#include "time/scheduler.h"

// One window model on screen. A window's view is a table of `bind` calls, one per control:
// which field of the model goes to which widget. The model may not exist (a window that was
// never opened, or that the user closed): then the window is hidden, and when a model comes
// again every row is copied anew. What the user does reaches the model as an event of the
// program's one thread, handled in turn like a timer tick or a notification.
template <class Model>
class ModelView {
  public:
    using Find = std::function<Model*()>;

    ModelView(Scheduler& scheduler, Find find) : scheduler_(scheduler), find_(std::move(find)) {}
    virtual ~ModelView() = default;

    Model* model() const { return find_(); }
    // The window on screen, made by the view and owned here.
    ModelWindow* window() const { return window_.get(); }

    void refresh() {
        Model* current = model();
        if (current != last_model_) binder_.invalidate();
        last_model_ = current;
        if (!current) {
            if (window_ && window_->isVisible()) window_->hide();
            return;
        }
        binder_.refresh();
    }

    // Runs a handler of the model as an event of the program.
    void act(std::function<void(Model&)> handler) {
        binder_.invalidate();
        scheduler_.post([find = find_, handler = std::move(handler)] {
            if (Model* m = find()) handler(*m);
        });
    }

  protected:
    Model& m() const { return *last_model_; }

    // The window itself: its caption and whether it shows. Bound last, so a window shows with
    // its controls already filled in.
    void bind_window(QString Model::*caption, bool Model::*visible, bool centred = false) {
        ModelWindow* window = window_.get();
        binder_.property(window, "windowTitle", [this, caption] { return m().*caption; });
        binder_.add(
            window, [this, visible] { return m().*visible; },
            [window, centred, first = true](const QVariant& value) mutable {
                if (value.toBool() && first) {
                    if (window->layout()) window->layout()->activate();
                    if (centred) {
                        window->centre_on_screen();
                    } else {
                        window->centre_over_main();
                    }
                }
                if (value.toBool()) first = false;
                if (value.toBool() == window->isVisible()) return;
                window->setVisible(value.toBool());
                if (value.toBool()) window->raise();
            });
    }

    template <class ControlType>
    void bind_state(QObject* widget, ControlType Model::*control) {
        binder_.property(widget, "enabled", [this, control] { return (m().*control).enabled; });
        binder_.property(widget, "visible", [this, control] { return (m().*control).visible; });
    }

    void bind(Label Model::*label, QLabel* widget, bool sizes_itself = false) {
        binder_.add(
            widget, [this, label] { return (m().*label).caption; },
            [widget, sizes_itself](const QVariant& value) {
                widget->setText(value.toString());
                if (sizes_itself) widget->adjustSize();
            });
        bind_state(widget, label);
    }

    void bind(CommandButton Model::*button, QAbstractButton* widget) {
        binder_.property(widget, "text", [this, button] { return (m().*button).caption; });
        bind_state(widget, button);
        QObject::connect(widget, &QAbstractButton::clicked, widget,
                         [this, button] { act([button](Model& m) { (m.*button).click(); }); });
    }

    void bind(CheckBox Model::*box, QCheckBox* widget) {
        binder_.add(
            widget, [this, box] { return (m().*box).caption; },
            [widget](const QVariant& value) {
                widget->setText(wrapped_text(value.toString(), widget->font(), text_room(widget)));
            });
        binder_.add(
            widget, [this, box] { return (m().*box).value; },
            [widget](const QVariant& value) {
                const int v = value.toInt();
                widget->setTristate(v == CheckBox::greyed);
                widget->setCheckState(v == CheckBox::checked  ? Qt::Checked
                                      : v == CheckBox::greyed ? Qt::PartiallyChecked
                                                              : Qt::Unchecked);
            });
        bind_state(widget, box);
        QObject::connect(widget, &QCheckBox::clicked, widget, [this, box](bool checked) {
            act([box, checked](Model& m) {
                (m.*box).set_value(checked ? CheckBox::checked : CheckBox::unchecked);
            });
        });
    }

    void bind(OptionButton Model::*option, QRadioButton* widget) {
        binder_.add(
            widget, [this, option] { return (m().*option).caption; },
            [widget](const QVariant& value) {
                widget->setText(wrapped_text(value.toString(), widget->font(), text_room(widget)));
            });
        binder_.property(widget, "checked", [this, option] { return (m().*option).value; });
        bind_state(widget, option);
        QObject::connect(widget, &QRadioButton::clicked, widget, [this, option] {
            act([option](Model& m) { (m.*option).set_value(true); });
        });
    }

    void bind(TextBox Model::*box, QLineEdit* widget) {
        binder_.property(widget, "text", [this, box] { return (m().*box).text; });
        bind_state(widget, box);
        QObject::connect(widget, &QLineEdit::textEdited, widget, [this, box](const QString& text) {
            act([box, text](Model& m) { (m.*box).text = text; });
        });
    }

    void bind(Slider Model::*slider, QSlider* widget) {
        binder_.add(
            widget, [this, slider] { return QSize((m().*slider).min, (m().*slider).max); },
            [widget](const QVariant& range) {
                widget->setRange(range.toSize().width(), range.toSize().height());
            });
        binder_.property(widget, "value", [this, slider] { return (m().*slider).value; });
        bind_state(widget, slider);
        QObject::connect(widget, &QSlider::valueChanged, widget, [this, slider](int value) {
            act([slider, value](Model& m) { (m.*slider).set_value(value); });
        });
    }

    void bind(MenuItem Model::*item, QAction* action) {
        binder_.property(action, "text", [this, item] { return (m().*item).caption; });
        bind_state(action, item);
        QObject::connect(action, &QAction::triggered, action,
                         [this, item] { act([item](Model& m) { (m.*item).click(); }); });
    }

    void bind(Picture Model::*picture, PictureView* widget) {
        binder_.add(
            widget, [this, picture] { return QVariant::fromValue((m().*picture).image()); },
            [widget](const QVariant& image) { widget->set_image(image.value<QImage>()); });
        bind_state(widget, picture);
    }

    Scheduler& scheduler_;
    Binder binder_;
    std::unique_ptr<ModelWindow> window_;

  private:
    // The width a caption has beside its check mark.
    static int text_room(const QAbstractButton* widget) {
        const int mark = widget->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                         widget->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        return widget->width() - mark - 2;
    }

    Find find_;
    Model* last_model_ = nullptr;
};
