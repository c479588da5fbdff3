#include <QFontInfo>

#include "combapi.h"
#include "qt_fixture.h"
#include "windows/qt/blank_wrap_label.h"

namespace orlanek {
namespace {

using windows::frmMain;

class RunWindowTest : public testing::QtProgramFixture {
 protected:
  void SetUp() override {
    QtProgramFixture::SetUp();
    ShowRunWindow();
  }
  // The pixel at the centre of a shape, and at the top of its outline.
  static QColor Centre(const QImage& image, const QWidget* shape) {
    return image.pixelColor(shape->geometry().center());
  }
  static QColor OutlineTop(const QImage& image, const QWidget* shape) {
    return image.pixelColor(shape->geometry().center().x(), shape->geometry().top());
  }
};

TEST_F(RunWindowTest, ShownWithTheDesignedTitleTimerAndFocus) {
  auto& run = Run();
  EXPECT_TRUE(run.isVisible());
  EXPECT_FALSE(Menu().isVisible());
  EXPECT_EQ(run.windowTitle(), QStringLiteral("Drosvane第1題 (範例程式)"));
  EXPECT_EQ(run.minimumSize(), QSize(560, 430));
  EXPECT_EQ(run.maximumSize(), QSize(560, 430));
  EXPECT_TRUE(run.timer().isActive());
  EXPECT_EQ(run.timer().interval(), 1000);
  EXPECT_EQ(run.focusWidget(), run.buttons().at(0));
  EXPECT_EQ(run.buttons().at(0)->nextInFocusChain(), run.buttons().at(1));
  EXPECT_EQ(run.buttons().at(1)->nextInFocusChain(), run.buttons().at(2));
}

TEST_F(RunWindowTest, ButtonsAndLabelsStandWhereDesigned) {
  const auto& buttons = Run().buttons();
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(buttons[0]->geometry(), Twips(1440, 3840, 2200, 750));
  EXPECT_EQ(buttons[1]->geometry(), Twips(4730, 3840, 2200, 750));
  EXPECT_EQ(buttons[2]->geometry(), Twips(3120, 5160, 2200, 750));
  EXPECT_EQ(buttons[0]->text(), "Green LED");
  EXPECT_EQ(buttons[1]->text(), "Red LED");
  EXPECT_EQ(buttons[2]->text(), "EXIT");
  EXPECT_EQ(QFontInfo(buttons[0]->font()).family(), "AR PL UMing TW");
  EXPECT_DOUBLE_EQ(buttons[0]->font().pointSizeF(), 18);

  auto* clock = Run().labels().at(0);
  auto* tag = Run().labels().at(1);
  EXPECT_EQ(clock->geometry(), Twips(960, 600, 6495, 1575));
  EXPECT_EQ(clock->caption(), QString());
  EXPECT_EQ(clock->frameStyle(), QFrame::WinPanel | QFrame::Sunken);
  EXPECT_EQ(clock->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_DOUBLE_EQ(clock->font().pointSizeF(), 26.25);
  EXPECT_EQ(QFontInfo(clock->font()).family(), "AR PL UMing TW");
  EXPECT_EQ(tag->geometry(), Twips(600, 5280, 2295, 495));
  EXPECT_EQ(tag->caption(), QStringLiteral("範例程式"));
  EXPECT_EQ(tag->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(tag->palette().color(QPalette::Window), Run().palette().color(QPalette::Base));
  EXPECT_EQ(QFontInfo(tag->font()).family(), "AR PL UKai TW");
  EXPECT_EQ(tag->frameShape(), QFrame::NoFrame);
}

TEST_F(RunWindowTest, ShapesRunRightToLeftByIndexWithTheDesignedLeftEdges) {
  const int green_left[] = {3810, 3405, 3000, 2595, 2190, 1770, 1365, 960};
  const int red_left[] = {7080, 6675, 6270, 5850, 5445, 5040, 4635, 4230};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Run().shape(0, i)->geometry(), Twips(green_left[i], 2760, 345, 345));
    EXPECT_EQ(Run().shape(1, i)->geometry(), Twips(red_left[i], 2760, 345, 345));
  }
}

TEST_F(RunWindowTest, ShapesShowTheirFillWhenSolidAndOnlyTheOutlineWhenTransparent) {
  QImage image = Run().grab().toImage();
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Centre(image, Run().shape(0, i)), QColor(0, 0x80, 0)) << i;
    EXPECT_EQ(Centre(image, Run().shape(1, i)), QColor(0x80, 0, 0)) << i;
    EXPECT_EQ(OutlineTop(image, Run().shape(0, i)), QColor(Qt::black)) << i;
  }
  ShowGreenLeds(0x01);
  ShowRedLeds(0x80);
  image = Run().grab().toImage();
  EXPECT_EQ(Centre(image, Run().shape(0, 0)), QColor(0, 0xFF, 0));
  EXPECT_EQ(Centre(image, Run().shape(1, 7)), QColor(0xFF, 0, 0));

  MarkBoardAbsent();
  image = Run().grab().toImage();
  const QColor background = Run().palette().color(QPalette::Window);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Centre(image, Run().shape(0, i)), background) << i;
    EXPECT_EQ(Centre(image, Run().shape(1, i)), background) << i;
    EXPECT_EQ(OutlineTop(image, Run().shape(1, i)), QColor(Qt::black)) << i;
  }
  MarkBoardPresent();
  image = Run().grab().toImage();
  EXPECT_EQ(Centre(image, Run().shape(1, 7)), QColor(0xFF, 0, 0));
}

TEST_F(RunWindowTest, ClockTextWrapsAtItsBlanksInsideTheBox) {
  auto* clock = Run().labels().at(0);
  frmMain().Label1().SetCaption(std::string(34, ' ') + "Current Time : 14:05:09");
  EXPECT_EQ(clock->lines(), (QStringList{QString(34, u' '), "Current Time : 14:05:09"}));
  EXPECT_EQ(clock->geometry(), Twips(960, 600, 6495, 1575));
}

TEST_F(RunWindowTest, CloseBoxUnloadsAndTheNextShowBuildsAFreshWindow) {
  ShowGreenLeds(0xFF);
  frmMain().SetCaption("Drosvane第10題 (範例程式)");
  Run().close();
  EXPECT_FALSE(frmMain().IsLoaded());
  ShowRunWindow();
  EXPECT_EQ(Run().windowTitle(), QStringLiteral("Drosvane第1題 (範例程式)"));
  EXPECT_EQ(Run().shape(0, 0)->fillColour(), QColor(0, 0x80, 0));
  EXPECT_TRUE(Run().isVisible());
  EXPECT_TRUE(Run().timer().isActive());
}

TEST(WrapAtBlanks, BreaksOnlyAtBlanksAndDropsTheBlanksAtABreak) {
  using windows::qt::WrapAtBlanks;
  const auto chars = [](const QString& text) { return static_cast<int>(text.size()); };
  EXPECT_EQ(WrapAtBlanks("ab cd ef", chars, 5), (QStringList{"ab cd", "ef"}));
  EXPECT_EQ(WrapAtBlanks(QStringLiteral("一二三四五六"), chars, 3),
            QStringList{QStringLiteral("一二三四五六")});
  EXPECT_EQ(WrapAtBlanks("    abc", chars, 5), (QStringList{"    ", "abc"}));
  EXPECT_EQ(WrapAtBlanks("  ab", chars, 5), QStringList{"  ab"});
  EXPECT_EQ(WrapAtBlanks("ab   ", chars, 3), QStringList{"ab"});
  EXPECT_EQ(WrapAtBlanks("", chars, 3), QStringList{""});
}

}  // namespace
}  // namespace orlanek
