#include <gtest/gtest.h>

#include <QTextDocument>

#include "test_program.h"
#include "windows/about.h"
#include "windows/quelm_splash.h"
#include "windows/vq_eula.h"

namespace {

const QString eula_caption = QStringLiteral("Video Quelm EULA");
const QString manual_caption = QStringLiteral("Video Quelm Instructions and User Manual");

struct WindowsTest : ::testing::Test {
    TestProgram t;
    Program& program = t.program;
    Quelm_Splash& splash = program.splash();

    void write_document(const QString& name, const QString& text) {
        t.write_file(name,
                     QStringLiteral("{\\rtf1\\ansi %1\\par second paragraph}").arg(text).toUtf8());
    }
};

// The start-up window starts nothing by itself; "Start" loads the main window before it shows it,
// and the start-up window is gone for good.
TEST_F(WindowsTest, TheStartUpWindowStartsNothingUntilStartIsPressed) {
    splash.show();
    EXPECT_EQ(
        (QStringList{splash.Command1.caption, splash.Command2.caption, splash.Command3.caption}),
        (QStringList{"Start Video Quelm", "View EULA", "Exit"}));
    t.scheduler.run_for(60'000);
    EXPECT_FALSE(t.form.loaded);
    EXPECT_TRUE(t.skype.connects.empty());
    EXPECT_FALSE(t.camera.is_open);
    EXPECT_FALSE(program.has_setup());

    splash.Command1.click();
    EXPECT_TRUE(t.form.visible);
    EXPECT_EQ(t.form.caption, "Video Quelm Version 1.0.13");
    EXPECT_FALSE(splash.visible);
    splash.show();
    EXPECT_FALSE(splash.visible);
}

TEST_F(WindowsTest, ExitEndsTheProgramWithTheLastWindow) {
    struct Case {
        const char* name;
        bool viewer_open;
    };
    for (const Case& c : {Case{"alone", false}, Case{"with the agreement open", true}}) {
        TestProgram fresh;
        Quelm_Splash& s = fresh.program.splash();
        s.show();
        if (c.viewer_open) s.Command2.click();
        s.Command3.click();
        EXPECT_FALSE(s.visible) << c.name;
        EXPECT_EQ(fresh.scheduler.has_quit(), !c.viewer_open) << c.name;
        if (!c.viewer_open) continue;
        EXPECT_TRUE(fresh.program.viewer().visible) << c.name;
        fresh.program.close_viewer();
        EXPECT_TRUE(fresh.scheduler.has_quit()) << c.name;
        EXPECT_FALSE(fresh.form.loaded) << c.name;
        EXPECT_FALSE(QFile::exists(fresh.path("vq.stp"))) << c.name;  // nothing was saved
    }
}

TEST_F(WindowsTest, ClosingTheViewerBesideTheMainWindowEndsNothing) {
    splash.show();
    splash.Command2.click();
    splash.Command1.click();
    EXPECT_TRUE(program.viewer().visible);
    EXPECT_TRUE(t.form.visible);
    program.close_viewer();
    EXPECT_FALSE(t.scheduler.has_quit());
}

TEST_F(WindowsTest, OneViewerServesBothDocumentsAndReloads) {
    write_document("VideoQuelm_EULA.rtf", "licence");
    write_document("Video_Quelm_Skype.rtf", "manual");
    splash.show();
    splash.Command2.click();
    VQ_EULA* first = &program.viewer();
    EXPECT_EQ(first->caption, eula_caption);
    first->RichTextBox1.sel_start = 5;
    write_document("VideoQuelm_EULA.rtf", "licence, changed");
    splash.Command2.click();
    EXPECT_EQ(&program.viewer(), first);
    EXPECT_TRUE(first->RichTextBox1.document().toPlainText().startsWith("licence, changed"));
    EXPECT_EQ(first->RichTextBox1.sel_start, 0);
    splash.Command1.click();
    t.form.mnuInstructions.click();
    EXPECT_EQ(&program.viewer(), first);
    EXPECT_EQ(first->caption, manual_caption);
    EXPECT_TRUE(first->RichTextBox1.document().toPlainText().startsWith("manual"));
}

TEST_F(WindowsTest, AMissingDocumentOpensTheViewerWithWhatItHeld) {
    splash.show();
    splash.Command2.click();
    EXPECT_TRUE(program.viewer().visible);
    EXPECT_EQ(program.viewer().caption, eula_caption);
    EXPECT_TRUE(program.viewer().RichTextBox1.document().isEmpty());

    write_document("Video_Quelm_Skype.rtf", "manual");
    splash.Command1.click();
    t.form.mnuInstructions.click();
    QFile::remove(t.path("VideoQuelm_EULA.rtf"));
    program.viewer().show_document(eula_caption, "VideoQuelm_EULA.rtf");
    EXPECT_EQ(program.viewer().caption, eula_caption);
    EXPECT_TRUE(program.viewer().RichTextBox1.document().toPlainText().startsWith("manual"));
}

TEST_F(WindowsTest, DocumentsAreLookedForBesideTheProgramToo) {
    QTemporaryDir install;
    program.program_folder = install.path();
    EXPECT_EQ(program.document_path("VideoQuelm_EULA.rtf"),
              install.path() + "/VideoQuelm_EULA.rtf");
    write_document("VideoQuelm_EULA.rtf", "own copy");
    EXPECT_EQ(program.document_path("VideoQuelm_EULA.rtf"), t.path("VideoQuelm_EULA.rtf"));
}

TEST_F(WindowsTest, TheTextBoxFollowsTheViewersSize) {
    struct Case {
        int outer_width, outer_height;
        int width, height;
    };
    VQ_EULA& viewer = program.viewer();
    const Case cases[] = {
        {14000, 9000, 13400, 8400}, {3000, 2000, 2400, 1400},
        {600, 9000, 2400, 1400},  // too small: left as it was
        {5000, 0, 2400, 1400},    // minimised
        {601, 601, 1, 1},
    };
    for (const Case& c : cases) {
        viewer.Form_Resize(c.outer_width, c.outer_height);
        EXPECT_EQ(viewer.RichTextBox1.width, c.width) << c.outer_width << "x" << c.outer_height;
        EXPECT_EQ(viewer.RichTextBox1.height, c.height) << c.outer_width << "x" << c.outer_height;
        EXPECT_EQ(viewer.RichTextBox1.left, 240);
        EXPECT_EQ(viewer.RichTextBox1.top, 240);
    }
}

}  // namespace
