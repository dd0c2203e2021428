#include "desktop/video_settings_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/program.h"
#include "time/scheduler.h"
#include "windows/video_settings_dialog.h"

namespace {
constexpr int slider_width = 220;

void set_quietly(QWidget* editor, const CameraControl& control) {
    editor->setEnabled(!control.inactive);
    QList<QObject*> parts = editor->findChildren<QObject*>();
    parts.append(editor);
    for (QObject* part : parts) {
        const QSignalBlocker quiet(part);
        if (auto* slider = qobject_cast<QSlider*>(part)) slider->setValue(control.value);
        if (auto* spin = qobject_cast<QSpinBox*>(part)) spin->setValue(control.value);
        if (auto* box = qobject_cast<QCheckBox*>(part)) box->setChecked(control.value != 0);
        if (auto* menu = qobject_cast<QComboBox*>(part))
            menu->setCurrentIndex(menu->findData(control.value));
    }
}
}  // namespace

VideoSettingsView::VideoSettingsView(Program& program)
    : program_(program),
      rows_(new QWidget(this)),
      rows_layout_(new QFormLayout(rows_)),
      empty_note_(new QLabel(this)) {
    setObjectName("VideoSettings");
    setWindowModality(Qt::ApplicationModal);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* defaults = buttons->addButton(tr("&Defaults"), QDialogButtonBox::ResetRole);
    defaults->setObjectName("Defaults");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rows_);
    layout->addWidget(empty_note_);
    layout->addWidget(buttons);
    empty_note_->setWordWrap(true);
    connect(defaults, &QPushButton::clicked, this,
            [this] { post([](VideoSettingsDialog& d, unsigned, int) { d.Defaults_Click(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this,
            [this] { post([](VideoSettingsDialog& d, unsigned, int) { d.Close_Click(); }); });
}

VideoSettingsDialog* VideoSettingsView::model() const {
    return program_.has_video_settings() ? &program_.video_settings() : nullptr;
}

void VideoSettingsView::post(void (*handler)(VideoSettingsDialog&, unsigned, int), unsigned id,
                             int value) {
    program_.seams().scheduler.post([this, handler, id, value] {
        if (VideoSettingsDialog* m = model()) handler(*m, id, value);
    });
}

void VideoSettingsView::refresh() {
    VideoSettingsDialog* m = model();
    if (!m || !m->visible) {
        if (isVisible()) hide();
        return;
    }
    setWindowTitle(m->caption);
    empty_note_->setText(m->empty_note);
    empty_note_->setVisible(!m->empty_note.isEmpty());
    rebuild(*m);
    if (!isVisible()) {
        adjustSize();
        show();
    }
}

// The rows are made again only when the device lists other controls; otherwise their values
// and whether they may be changed are brought up to date.
void VideoSettingsView::rebuild(const VideoSettingsDialog& m) {
    std::vector<unsigned> ids;
    for (const CameraControl& control : m.controls) ids.push_back(control.id);
    if (ids != shown_ids_) {
        while (rows_layout_->rowCount() > 0) rows_layout_->removeRow(0);
        for (const CameraControl& control : m.controls)
            rows_layout_->addRow(control.name + ':', editor_for(control));
        shown_ids_ = ids;
    }
    for (int row = 0; row < int(m.controls.size()); ++row) {
        QLayoutItem* item = rows_layout_->itemAt(row, QFormLayout::FieldRole);
        if (item && item->widget()) set_quietly(item->widget(), m.controls[row]);
    }
}

QWidget* VideoSettingsView::editor_for(const CameraControl& control) {
    const unsigned id = control.id;
    const auto set = [this, id](int value) {
        post([](VideoSettingsDialog& d, unsigned i, int v) { d.set_value(i, v); }, id, value);
    };
    switch (control.kind) {
        case CameraControl::Kind::boolean: {
            auto* box = new QCheckBox;
            connect(box, &QCheckBox::toggled, this, [set](bool on) { set(on ? 1 : 0); });
            return box;
        }
        case CameraControl::Kind::menu: {
            auto* menu = new QComboBox;
            for (const auto& [value, name] : control.items) menu->addItem(name, value);
            connect(menu, &QComboBox::activated, this,
                    [menu, set](int index) { set(menu->itemData(index).toInt()); });
            return menu;
        }
        case CameraControl::Kind::integer:
            break;
    }
    auto* editor = new QWidget;
    auto* slider = new QSlider(Qt::Horizontal, editor);
    auto* number = new QSpinBox(editor);
    slider->setRange(control.minimum, control.maximum);
    slider->setSingleStep(control.step);
    number->setRange(control.minimum, control.maximum);
    number->setSingleStep(control.step);
    slider->setMinimumWidth(slider_width);
    auto* layout = new QHBoxLayout(editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider);
    layout->addWidget(number);
    connect(slider, &QSlider::valueChanged, this, set);
    connect(number, &QSpinBox::valueChanged, this, set);
    editor->setToolTip(tr("%1 to %2, default %3")
                           .arg(control.minimum)
                           .arg(control.maximum)
                           .arg(control.default_value));
    return editor;
}

void VideoSettingsView::closeEvent(QCloseEvent* event) {
    event->ignore();
    post([](VideoSettingsDialog& d, unsigned, int) { d.Close_Click(); });
}
