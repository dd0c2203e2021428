#include "desktop/main_view.h"

#include <QFontMetrics>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

#include "app/program.h"
#include "desktop/messenger_account_dialog.h"
#include "desktop/twips.h"

namespace {
constexpr int client_width = 10305;
constexpr int client_height = 6705;

template <class Widget>
Widget* make(QWidget* parent, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    twips::place(widget, left, top, width, height);
    return widget;
}
}  // namespace

MainView::MainView(Program& program)
    : ModelView(program.seams().scheduler, [&program] { return &program.main_window(); }) {
    auto* bar = new QMenuBar;
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::sizable, client_width,
                                            client_height, bar);
    window_->setObjectName("frmTesting");
    ModelWindow::set_main(window_.get());
    build_menus(bar);
    // The frame holds every control, so the four option buttons are one group.
    auto* frame = make<QFrame>(window_->client(), 0, 0, 15255, 10335);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    build_pictures(frame);
    build_controls(frame);
    window_->on_close_box = [this] { act([](frmTesting& f) { f.close_box(); }); };
    bind_window(&frmTesting::caption, &frmTesting::visible, true);
}

void MainView::build_menus(QMenuBar* bar) {
    QMenu* file = bar->addMenu(QString());
    bind(&frmTesting::mnuFile, file->menuAction());
    // A desktop matter only: the program's model knows nothing of the messenger account.
    QAction* account = file->addAction(QStringLiteral("&Messenger Account..."));
    account->setObjectName(QStringLiteral("mnuMessengerAccount"));
    QObject::connect(account, &QAction::triggered, window(), [this] {
        auto* dialog =
            new MessengerAccountDialog(account_file_, account_in_use_, identity_, window());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        // Saving an account that is not the one running now says when it counts, in the window.
        QObject::connect(dialog, &QDialog::accepted, window(), [this] {
            if (!account_in_use_) act([](frmTesting& f) { f.account_for_next_start = true; });
        });
        dialog->open();
    });
    file->addSeparator();
    bind(&frmTesting::mnuExit, file->addAction(QString()));
    QMenu* show = bar->addMenu(QString());
    bind(&frmTesting::mnuShow, show->menuAction());
    bind(&frmTesting::mnuFormat, show->addAction(QString()));
    bind(&frmTesting::mnuSettings, show->addAction(QString()));
    bind(&frmTesting::mnuOptions, show->addAction(QString()));
    QMenu* help = bar->addMenu(QString());
    bind(&frmTesting::mnuHelp, help->menuAction());
    bind(&frmTesting::mnuAbout, help->addAction(QString()));
    bind(&frmTesting::mnuInstructions, help->addAction(QString()));
}

void MainView::build_pictures(QWidget* frame) {
    picture3_ = new PictureView(frame, 320, 240);
    picture3_->setObjectName("Picture3");
    picture3_->setCursor(Qt::CrossCursor);
    twips::place(picture3_, 120, 960, 4815, 3615);
    bind(&frmTesting::Picture3, picture3_);
    binder_.add(
        picture3_, [this] { return m().picture_notice; },
        [view = picture3_](const QVariant& notice) { view->set_notice(notice.toString()); });
    picture3_->on_press = [this](QPointF at) {
        act([at](frmTesting& f) { f.Picture3_MouseDown(at.x(), at.y()); });
    };
    picture3_->on_move = [this](QPointF at) {
        act([at](frmTesting& f) { f.Picture3_MouseMove(at.x(), at.y()); });
    };
    picture3_->on_release = [this](QPointF at) {
        act([at](frmTesting& f) { f.Picture3_MouseUp(at.x(), at.y()); });
    };

    auto* graph = new PictureView(frame, 320, 16);
    graph->setObjectName("Picture2");
    twips::place(graph, 120, 4800, 4815, 1575);
    bind(&frmTesting::Picture2, graph);

    auto* snapshot = new PictureView(frame);
    snapshot->setObjectName("Picture4");
    twips::place(snapshot, 5280, 960, 4815, 3615);
    bind(&frmTesting::Picture4, snapshot);
}

void MainView::build_controls(QWidget* frame) {
    struct Option {
        OptionButton frmTesting::*option;
        const char* name;
        int left;
    };
    for (const Option& o : {Option{&frmTesting::Option1, "Option1", 480},
                            Option{&frmTesting::Option2, "Option2", 1200},
                            Option{&frmTesting::Option4, "Option4", 1920},
                            Option{&frmTesting::Option3, "Option3", 2640}}) {
        auto* widget = make<QRadioButton>(frame, o.left, 240, 735, 375);
        widget->setObjectName(o.name);
        bind(o.option, widget);
    }
    auto* command2 = make<QPushButton>(frame, 4080, 240, 735, 255);
    bind(&frmTesting::Command2, command2);
    auto* capture = make<QPushButton>(frame, 5280, 240, 1575, 375);
    capture->setObjectName("cmdCapture");
    bind(&frmTesting::cmdCapture, capture);
    auto* stop = make<QPushButton>(frame, 8520, 240, 1575, 375);
    stop->setObjectName("cmdStop");
    bind(&frmTesting::cmdStop, stop);

    auto* hint = make<QLabel>(frame, 240, 720, 4695, 255);
    hint->setObjectName("Label1");
    hint->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    bind(&frmTesting::Label1, hint);
    auto* snapshot_title = make<QLabel>(frame, 7320, 720, 1455, 255);
    bind(&frmTesting::Label3, snapshot_title);
    auto* status = make<QLabel>(frame, 120, 4560, 2295, 255);
    status->setObjectName("Label5");
    bind(&frmTesting::Label5, status);
    auto* readout = make<QLabel>(frame, 120, 6360, 615, 255);
    bind(&frmTesting::Label9, readout);

    auto* slider = make<QSlider>(frame, 4920, 4680, 315, 1815);
    slider->setObjectName("Slider1");
    slider->setOrientation(Qt::Vertical);
    slider->setInvertedAppearance(true);  // the value counts from the top, as the graph's line
    slider->setInvertedControls(true);
    slider->setTickPosition(QSlider::TicksRight);
    slider->setTickInterval(1);
    slider->setPageStep(1);
    bind(&frmTesting::Slider1, slider);

    struct Box {
        CheckBox frmTesting::*box;
        const char* name;
        int left, top, width, height;
    };
    for (const Box& b : {Box{&frmTesting::Check1, "Check1", 5760, 4680, 2175, 495},
                         Box{&frmTesting::Check4, "Check4", 8040, 4680, 1455, 495},
                         Box{&frmTesting::Check2, "Check2", 5760, 5160, 2295, 375},
                         Box{&frmTesting::Check3, "Check3", 8040, 5160, 1935, 375}}) {
        auto* widget = make<QCheckBox>(frame, b.left, b.top, b.width, b.height);
        widget->setObjectName(b.name);
        bind(b.box, widget);
    }

    auto* target_caption = make<QLabel>(frame, 5400, 5880, 975, 855);
    target_caption->setWordWrap(true);
    target_caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bind(&frmTesting::Label2, target_caption);
    // The caption's room ends where the call-target box begins: a longer word ("(messenger")
    // gets a smaller font rather than running under the box.
    binder_.add(
        target_caption, [this] { return m().Label2.caption; },
        [target_caption, room = twips::to_pixels(6240 - 5400)](const QVariant& caption) {
            QFont font = target_caption->parentWidget()->font();
            const QStringList words = caption.toString().split(' ');
            const auto widest = [&words](const QFont& f) {
                int most = 0;
                for (const QString& word : words)
                    most = std::max(most, QFontMetrics(f).horizontalAdvance(word));
                return most;
            };
            while (widest(font) > room && font.pointSizeF() > 6)
                font.setPointSizeF(font.pointSizeF() - 0.5);
            target_caption->setFont(font);
        });
    auto* target = make<QLineEdit>(frame, 6240, 5880, 2895, 405);
    target->setObjectName("Text1");
    QFont target_font(QStringLiteral("MS Sans Serif"));
    target_font.setPointSizeF(9.75);
    target->setFont(target_font);
    bind(&frmTesting::Text1, target);
    auto* set = make<QPushButton>(frame, 9240, 5880, 495, 375);
    set->setObjectName("Command1");
    bind(&frmTesting::Command1, set);

    auto* notice = make<QLabel>(frame, 6240, 6330, 3960, 375);
    notice->setObjectName("lblNotice");
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->setStyleSheet(QStringLiteral("color: #a00000"));
    bind(&frmTesting::lblNotice, notice);
}
