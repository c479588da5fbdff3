#include <QFontInfo>
#include <QFontMetrics>
#include <QScreen>

#include "combapi.h"
#include "qt_fixture.h"
#include "windows/qt/qt_host.h"

namespace orlanek {
namespace {

using windows::allMenu;

class MenuWindowTest : public testing::QtProgramFixture {};

TEST_F(MenuWindowTest, StartShowsOnlyTheMenuCentredWithAFixedClientAreaAndNoTitle) {
  auto& menu = Menu();
  EXPECT_TRUE(menu.isVisible());
  EXPECT_FALSE(Run().isVisible());
  EXPECT_FALSE(Run().timer().isActive());
  EXPECT_EQ(menu.minimumSize(), QSize(560, 430));
  EXPECT_EQ(menu.maximumSize(), QSize(560, 430));
  EXPECT_EQ(menu.windowTitle(), QString());
  EXPECT_EQ(menu.frameGeometry().center(), menu.screen()->availableGeometry().center());
}

TEST_F(MenuWindowTest, ButtonsStandWhereDesignedWithTheirCaptionsAndTrailingBlanks) {
  const int tops[] = {1200, 1725, 2235, 2730, 3240, 3750, 4260, 4770, 5265, 5775};
  const int trailing_blanks[] = {19, 19, 19, 19, 22, 22, 3, 3, 0, 0};
  const auto& buttons = Menu().buttons();
  ASSERT_EQ(buttons.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(buttons[i]->geometry(), Twips(1200, tops[i], 6000, 420));
    const QString caption = buttons[i]->text();
    const QString number = QString::number(i + 1);
    const QString code = QStringLiteral("40730-5815") + (i < 9 ? "0" + number : number);
    const QString label = QStringLiteral("第") + number + QStringLiteral("題");
    EXPECT_TRUE(caption.startsWith(label + (i < 9 ? "   " : "  ") + code + "  "))
        << caption.toStdString();
    EXPECT_EQ(caption.size() - caption.trimmed().size(), trailing_blanks[i]);
  }
  EXPECT_TRUE(buttons[0]->text().contains(QStringLiteral("單只LED向左移閃爍控制")));
  EXPECT_TRUE(buttons[9]->text().endsWith(QStringLiteral("LED由左向右再由右向左依序點亮控制")));
}

TEST_F(MenuWindowTest, TitleLabelBreaksAtItsBlankIntoTwoCentredLines) {
  auto* title = Menu().labels().at(0);
  EXPECT_EQ(title->geometry(), Twips(1433, 140, 5535, 975));
  EXPECT_EQ(title->caption(), QStringLiteral("Drosvane 術科考場測試程式"));
  EXPECT_EQ(title->lines(), (QStringList{"Drosvane", QStringLiteral("術科考場測試程式")}));
  EXPECT_EQ(title->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(title->focusPolicy(), Qt::NoFocus);
}

TEST_F(MenuWindowTest, FontsAreTheInstalledMingAndKaiFacesBoldWithChineseGlyphs) {
  const QFont title_font = Menu().labels().at(0)->font();
  const QFont button_font = Menu().buttons().at(0)->font();
  EXPECT_EQ(QFontInfo(title_font).family(), "AR PL UKai TW");
  EXPECT_EQ(QFontInfo(button_font).family(), "AR PL UMing TW");
  EXPECT_DOUBLE_EQ(title_font.pointSizeF(), 24);
  EXPECT_DOUBLE_EQ(button_font.pointSizeF(), 9);
  EXPECT_EQ(title_font.weight(), QFont::Bold);
  EXPECT_EQ(button_font.weight(), QFont::Bold);
  for (const QFont& font : {title_font, button_font}) {
    const QFontMetrics metrics(font);
    for (const QChar glyph : QStringLiteral("術科考場測試程式第題單只向左移閃爍控制")) {
      EXPECT_TRUE(metrics.inFont(glyph)) << QString(glyph).toStdString();
    }
  }
}

TEST_F(MenuWindowTest, FocusStartsOnTheTopButtonAndFollowsTheIndices) {
  const auto& buttons = Menu().buttons();
  EXPECT_EQ(Menu().focusWidget(), buttons[0]);
  for (std::size_t i = 0; i + 1 < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i]->nextInFocusChain(), buttons[i + 1]) << i;
  }
}

TEST_F(MenuWindowTest, ButtonFacesArePaintedInTheirOwnColour) {
  const QImage image = Menu().grab().toImage();
  for (const auto* button : Menu().buttons()) {
    const QPoint inside = button->geometry().topLeft() + QPoint(8, 4);
    EXPECT_EQ(image.pixelColor(inside), QColor(0xE0, 0xE0, 0xE0));
  }
}

TEST_F(MenuWindowTest, ClickDeliversTheArrayIndexAndNothingWhileDisabled) {
  class Clicks : public windows::FormEvents {
   public:
    void Click(std::int16_t index) override { seen.push_back(index); }
    std::vector<std::int16_t> seen;
  } clicks;
  allMenu().BindEvents(&clicks);
  Menu().buttons().at(9)->click();
  Menu().buttons().at(0)->click();
  allMenu().SetEnabled(false);
  Menu().buttons().at(3)->click();
  EXPECT_EQ(clicks.seen, (std::vector<std::int16_t>{9, 0}));
}

TEST_F(MenuWindowTest, CloseBoxEndsTheProgramWithStatusZero) {
  Menu().close();
  EXPECT_EQ(host.quits, std::vector<int>{0});
  EXPECT_FALSE(windows::allMenu().IsLoaded());
  EXPECT_TRUE(windows::frmMain().IsLoaded());
}

TEST(ProgramIdentity, OrlanekVersion201301InChineseTaiwan) {
  windows::qt::NameProgram();
  EXPECT_EQ(QCoreApplication::applicationName(), "Orlanek");
  EXPECT_EQ(QCoreApplication::applicationVersion(), "2013.01");
  EXPECT_EQ(QLocale().language(), QLocale::Chinese);
  EXPECT_EQ(QLocale().territory(), QLocale::Taiwan);
}

}  // namespace
}  // namespace orlanek
