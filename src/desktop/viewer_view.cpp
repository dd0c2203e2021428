#include "desktop/viewer_view.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

#include "app/program.h"
#include "desktop/twips.h"

ViewerView::ViewerView(Program& program)
    : ModelView(program.seams().scheduler,
                [&program] { return program.has_viewer() ? &program.viewer() : nullptr; }) {
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::sizable, VQ_EULA::client_width,
                                            VQ_EULA::client_height);
    window_->setObjectName("VQ_EULA");
    text_box_ = new QTextEdit(window_->client());
    text_box_->setObjectName("RichTextBox1");
    text_box_->setReadOnly(true);
    text_box_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_box_->setLineWrapMode(QTextEdit::FixedPixelWidth);
    bind_text_box();
    window_->on_resized = [this, last = QSize()]() mutable {
        const QSize outer = window_->frameGeometry().size();
        if (outer == last) return;
        last = outer;
        act([outer](VQ_EULA& v) {
            v.Form_Resize(twips::from_pixels(outer.width()), twips::from_pixels(outer.height()));
        });
    };
    window_->on_close_box = [this, &program] {
        binder_.invalidate();
        scheduler_.post([&program] { program.close_viewer(); });
    };
    bind_window(&VQ_EULA::caption, &VQ_EULA::visible);
}

void ViewerView::bind_text_box() {
    binder_.add(
        text_box_,
        [this] {
            const RichTextBox& box = m().RichTextBox1;
            return twips::rect(box.left, box.top, box.width, box.height);
        },
        [box = text_box_](const QVariant& place) { box->setGeometry(place.toRect()); });
    binder_.add(
        text_box_, [this] { return twips::to_pixels(m().RichTextBox1.right_margin); },
        [box = text_box_](const QVariant& width) {
            box->setLineWrapMode(width.toInt() > 0 ? QTextEdit::FixedPixelWidth
                                                   : QTextEdit::WidgetWidth);
            box->setLineWrapColumnOrWidth(width.toInt());
        });
    binder_.add(
        text_box_, [this] { return m().RichTextBox1.revision(); },
        [this](const QVariant&) {
            // The box's first document belongs to the box and goes with the change; the
            // copies made here are the view's to delete.
            QTextDocument* old = text_box_->document();
            const bool copy = old && old->parent() == text_box_;
            text_box_->setDocument(m().RichTextBox1.document().clone(text_box_));
            if (copy) delete old;
        });
    binder_.add(
        text_box_,
        [this] {
            const RichTextBox& box = m().RichTextBox1;
            return QVariantList{box.revision(), box.sel_start, box.sel_length};
        },
        [box = text_box_](const QVariant& caret) {
            const QVariantList values = caret.toList();
            QTextCursor cursor(box->document());
            const int end = box->document()->characterCount() - 1;
            const int start = std::clamp(values[1].toInt(), 0, end);
            cursor.setPosition(start);
            cursor.setPosition(std::clamp(start + values[2].toInt(), start, end),
                               QTextCursor::KeepAnchor);
            box->setTextCursor(cursor);
            box->ensureCursorVisible();
        });
}
