#include "desktop/video_format_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "app/program.h"
#include "time/scheduler.h"
#include "windows/video_format_dialog.h"

VideoFormatView::VideoFormatView(Program& program)
    : program_(program),
      devices_(new QComboBox(this)),
      modes_(new QComboBox(this)),
      note_(new QLabel(this)) {
    setObjectName("VideoFormat");
    setWindowModality(Qt::ApplicationModal);
    devices_->setObjectName("devices");
    modes_->setObjectName("modes");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("Camera:"), devices_);
    layout->addRow(tr("Mode:"), modes_);
    layout->addRow(note_);
    layout->addRow(buttons);
    note_->setWordWrap(true);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    connect(devices_, &QComboBox::activated, this, [this](int index) {
        act([](VideoFormatDialog& d, int i) { d.choose_device(i); }, index);
    });
    // The first entry is the automatic mode.
    connect(modes_, &QComboBox::activated, this, [this](int index) {
        act([](VideoFormatDialog& d, int i) { d.choose_mode(i - 1); }, index);
    });
    connect(buttons, &QDialogButtonBox::accepted, this,
            [this] { act([](VideoFormatDialog& d, int) { d.OK_Click(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this,
            [this] { act([](VideoFormatDialog& d, int) { d.Cancel_Click(); }); });
}

VideoFormatDialog* VideoFormatView::model() const {
    return program_.has_video_format() ? &program_.video_format() : nullptr;
}

void VideoFormatView::act(void (*handler)(VideoFormatDialog&, int), int value) {
    program_.seams().scheduler.post([this, handler, value] {
        if (VideoFormatDialog* m = model()) handler(*m, value);
    });
}

void VideoFormatView::refresh() {
    VideoFormatDialog* m = model();
    if (!m || !m->visible) {
        if (isVisible()) hide();
        return;
    }
    setWindowTitle(m->caption);
    note_->setText(m->note);
    fill_devices(*m);
    fill_modes(*m);
    if (!isVisible()) {
        adjustSize();
        show();
    }
}

void VideoFormatView::fill_devices(const VideoFormatDialog& m) {
    const QSignalBlocker quiet(devices_);
    devices_->clear();
    for (const CameraInfo& device : m.devices)
        devices_->addItem(QStringLiteral("%1 (%2)").arg(device.name, device.path));
    devices_->setCurrentIndex(m.device_index);
}

void VideoFormatView::fill_modes(const VideoFormatDialog& m) {
    const QSignalBlocker quiet(modes_);
    modes_->clear();
    modes_->addItem(tr("Automatic: the least work for the program"));
    for (const CameraMode& mode : m.modes()) modes_->addItem(mode.text());
    modes_->setCurrentIndex(m.mode_index + 1);
}

void VideoFormatView::closeEvent(QCloseEvent* event) {
    event->ignore();
    act([](VideoFormatDialog& d, int) { d.Cancel_Click(); });
}
