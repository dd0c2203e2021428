#include <gtest/gtest.h>

#include <QTextDocument>

#include "test_program.h"
#include "windows/about.h"
#include "windows/quelm_splash.h"
#include "windows/vq_eula.h"

namespace {

const QString eula_caption = QStringLiteral("Video Quelm EULA");

struct WindowsTest : ::testing::Test {
    TestProgram t;
    Program& program = t.program;
    Quelm_Splash& splash = program.splash();

    void write_document(const QString& name, const QString& text) {
        t.write_file(name,
                     QStringLiteral("{\\rtf1\\ansi %1\\par second paragraph}").arg(text).toUtf8());
    }
    QString shown_text() { return program.viewer().RichTextBox1.document().toPlainText(); }
};

// The start-up window starts nothing by itself; "Start" loads the main window before it shows it,
// and the start-up window is gone for good. Beside the main window, closing the viewer ends
// nothing.
TEST_F(WindowsTest, TheStartUpWindowStartsNothingUntilStartIsPressed) {
    splash.show();
    t.scheduler.run_for(60'000);
    EXPECT_FALSE(t.form.loaded);
    EXPECT_TRUE(t.skype.connects.empty());
    EXPECT_FALSE(t.camera.is_open);
    EXPECT_FALSE(program.has_setup());

    splash.Command2.click();
    splash.Command1.click();
    EXPECT_TRUE(t.form.visible);
    EXPECT_FALSE(splash.visible);
    splash.show();
    EXPECT_FALSE(splash.visible);
    program.close_viewer();
    EXPECT_FALSE(t.scheduler.has_quit());
}

// Exit ends the program at once, or with the agreement open when the viewer closes; nothing was
// loaded, so nothing is saved.
TEST_F(WindowsTest, ExitEndsTheProgramWithTheLastWindow) {
    TestProgram alone;
    alone.program.splash().show();
    alone.program.splash().Command3.click();
    EXPECT_TRUE(alone.scheduler.has_quit());

    splash.show();
    splash.Command2.click();
    splash.Command3.click();
    EXPECT_FALSE(splash.visible);
    EXPECT_FALSE(t.scheduler.has_quit());
    program.close_viewer();
    EXPECT_TRUE(t.scheduler.has_quit());
    EXPECT_FALSE(t.form.loaded);
    EXPECT_FALSE(QFile::exists(t.path("vq.stp")));
}

// One viewer shows either document, read afresh and from its start each time; a document that is
// missing leaves it with the caption asked for and the text it held.
TEST_F(WindowsTest, OneViewerServesBothDocumentsAndReloads) {
    splash.show();
    splash.Command2.click();
    VQ_EULA* viewer = &program.viewer();
    EXPECT_TRUE(viewer->visible);
    write_document("VideoQuelm_EULA.rtf", "licence");
    viewer->RichTextBox1.sel_start = 5;
    splash.Command2.click();
    EXPECT_EQ(&program.viewer(), viewer);
    EXPECT_TRUE(shown_text().startsWith("licence"));
    EXPECT_EQ(viewer->RichTextBox1.sel_start, 0);

    write_document("Video_Quelm_Skype.rtf", "manual");
    splash.Command1.click();
    t.form.mnuInstructions.click();
    EXPECT_EQ(&program.viewer(), viewer);
    EXPECT_EQ(viewer->caption, "Video Quelm Instructions and User Manual");
    EXPECT_TRUE(shown_text().startsWith("manual"));
    QFile::remove(t.path("VideoQuelm_EULA.rtf"));
    viewer->show_document(eula_caption, "VideoQuelm_EULA.rtf");
    EXPECT_EQ(viewer->caption, eula_caption);
    // A document that is gone is not shown as the one before: the window says where it looked.
    EXPECT_TRUE(shown_text().startsWith("VideoQuelm_EULA.rtf could not be found."));
    EXPECT_TRUE(shown_text().contains(t.path("VideoQuelm_EULA.rtf")));
}

TEST_F(WindowsTest, DocumentsAreLookedForBesideTheProgramToo) {
    QTemporaryDir install;
    program.program_folder = install.path();
    EXPECT_EQ(program.document_path("VideoQuelm_EULA.rtf"),
              install.path() + "/VideoQuelm_EULA.rtf");
    write_document("VideoQuelm_EULA.rtf", "own copy");
    EXPECT_EQ(program.document_path("VideoQuelm_EULA.rtf"), t.path("VideoQuelm_EULA.rtf"));
}

// The text box keeps a border inside the window, and its size when the window is too small
// for one or minimised.
TEST_F(WindowsTest, TheTextBoxFollowsTheViewersSize) {
    VQ_EULA& viewer = program.viewer();
    const std::pair<QSize, QSize> cases[] = {
        {{14000, 9000}, {13400, 8400}}, {{3000, 2000}, {2400, 1400}}, {{600, 9000}, {2400, 1400}},
        {{5000, 0}, {2400, 1400}},      {{601, 601}, {1, 1}},
    };
    for (const auto& [outer, box] : cases) {
        viewer.Form_Resize(outer.width(), outer.height());
        EXPECT_EQ(QSize(viewer.RichTextBox1.width, viewer.RichTextBox1.height), box)
            << outer.width() << "x" << outer.height();
    }
}

}  // namespace
