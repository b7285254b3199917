#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTextDocumentFragment>
#include <QThread>
#include <QTimer>
#include <stdexcept>

#include "AboutDisplay.h"
#include "FormWindows.h"
#include "OpenFileDialog.h"
#include "QtInteraction.h"
#include "ScriptedInteraction.h"
#include "TempDir.h"

namespace {

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "test_qt";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

testing::Environment* const kQt = testing::AddGlobalTestEnvironment(new QtEnvironment);

// A form with one of each kind of control the programs use.
class SampleForm : public ui::Form {
public:
    explicit SampleForm(ui::Interaction& ui) : Form(ui, "FormMain") {
        SetCaption("Sample map");
        SetDesign(100, 100, 508, 346);  // client 500 x 300
        auto& file = MainMenu().Add("File1", "&File");
        file.Add("Open1", "&Open", [this] { ++opened; });
        file.AddSeparator("N1");
        file.Add("Fail1", "&Fail", [] { throw std::runtime_error("Cannot open file: x.dat"); });
        auto& view = MainMenu().Add("View", "&View");
        for (auto [name, caption] : {std::pair{"ViewBoth", "&Both"},
                                     {"ViewLand", "&Land"},
                                     {"ViewLakes", "Large la&kes"}}) {
            auto& item = view.Add(name, caption);
            item.SetRadioItem(true);
            item.OnClick = [this, &item] {
                item.SetChecked(true);
                viewChoice = item.Name();
            };
        }
        view.Find("ViewBoth")->SetChecked(true);
        view.Add("Monochrome1", "&Monochrome", [this] {
            auto* item = FindMenuItem("Monochrome1");
            item->SetChecked(!item->Checked());
        });
        view.Add("Inert", "&Nothing");

        Tabs.SetBounds({0, 0, 300, 200});
        Tabs.SetAnchors(ui::AnchorsAll);
        Tabs.SetTabs({"Source", "Colour"});
        Tabs.OnChange = [this] { tabChanges.push_back(Tabs.TabIndex()); };
        Display.align = ui::Align::Client;
        Display.SetStretch(true);
        Overlay.SetBounds({4, 24, 100, 50});
        Overlay.SetAnchors(ui::AnchorsAll);
        Scroll.SetBounds({310, 0, 180, 120});
        Scroll.SetAnchors(ui::AnchorTop | ui::AnchorRight);
        Map.SetBounds({0, 0, 400, 300});
        View.SetBounds({310, 130, 137, 41});
        View.SetCaption(" View ");
        View.SetItems({"Full", "Zoom"});
        View.SetColumns(2);
        View.OnClick = [this] { radioClicks.push_back(View.ItemIndex()); };
        Progress.SetBounds({8, 270, 177, 17});
        Progress.SetAnchors(ui::AnchorLeft | ui::AnchorBottom);
        Progress.SetMax(33);
        Sources.SetBounds({8, 250, 0, 0});
        Sources.SetCaption("Data &sources");
        Sources.SetHint("Countries.dat");
        Exit.SetBounds({400, 265, 81, 25});
        Exit.SetCaption("E&xit");
        Exit.SetAnchors(ui::AnchorRight | ui::AnchorBottom);
        Exit.isCancel = true;
        Exit.OnClick = [this] { Close(); };
        Redraw.SetInterval(1);
        Redraw.OnTimer = [this] {
            Redraw.SetEnabled(false);
            ++redraws;
        };
        Picture.SetBounds({200, 210, 8, 4});
        Picture.OnMouseDown = [this](ui::MouseButton button, int x, int y) {
            mouse.push_back({button == ui::MouseButton::Left ? "down" : "other", x, y});
        };
        Picture.OnMouseMove = [this](int x, int y) { mouse.push_back({"move", x, y}); };
        Picture.OnMouseUp = [this](ui::MouseButton, int x, int y) {
            mouse.push_back({"up", x, y});
        };
    }

    ui::TabControl& Tabs = Make<ui::TabControl>("TabControlImage");
    ui::Image& Display = Make<ui::Image>("ImageDisplay", &Tabs);
    ui::Image& Overlay = Make<ui::Image>("Overlay", &Tabs);
    ui::ScrollBox& Scroll = Make<ui::ScrollBox>("ScrollBox1");
    ui::Image& Map = Make<ui::Image>("Image1", &Scroll);
    ui::RadioGroup& View = Make<ui::RadioGroup>("RadioGroupView");
    ui::ProgressBar& Progress = Make<ui::ProgressBar>("ProgressBar");
    ui::Label& Sources = Make<ui::Label>("LabelDataSources");
    ui::Button& Exit = Make<ui::Button>("ButtonExit");
    ui::Image& Picture = Make<ui::Image>("Picture");
    ui::Timer& Redraw = MakeTimer("Timer1");

    struct MouseEvent {
        std::string what;
        int x, y;
    };
    int opened = 0;
    int redraws = 0;
    int resizes = 0;
    bool agreeToClose = true;
    std::string viewChoice;
    std::vector<int> tabChanges;
    std::vector<int> radioClicks;
    std::vector<MouseEvent> mouse;

protected:
    void FormResize() override { ++resizes; }
    bool FormCloseQuery() override { return agreeToClose; }
};

template <class Widget = QWidget>
Widget* Find(qtui::MainWindow& window, const char* name) {
    auto* widget = qobject_cast<Widget*>(window.View().WidgetFor(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QRect RectOf(const ui::Control& control) {
    const ui::Bounds& b = control.GetBounds();
    return {b.left, b.top, b.width, b.height};
}

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

TEST(QtFrontEnd, BuildsAWidgetForEveryControlAtItsBounds) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    window.show();
    Settle();
    EXPECT_EQ(window.windowTitle(), "Sample map");
    EXPECT_EQ(window.centralWidget()->size(), QSize(500, 300));
    EXPECT_EQ(form.ClientWidth(), 500);

    auto* tabs = Find(window, "TabControlImage");
    auto* tabBar = tabs->findChild<QTabBar*>();
    ASSERT_NE(tabBar, nullptr);
    EXPECT_EQ(tabBar->count(), 2);
    EXPECT_EQ(tabBar->tabText(1), "Colour");
    // The client-aligned image fills the page under the tabs, and its bounds say so; other
    // children are placed in the tab control's own coordinates.
    auto* display = Find(window, "ImageDisplay");
    QWidget* page = tabs->findChild<QWidget*>("page");
    EXPECT_EQ(display->parentWidget(), tabs);
    EXPECT_EQ(display->geometry(), QRect(page->mapTo(tabs, QPoint(0, 0)), page->size()));
    EXPECT_EQ(RectOf(form.Display), display->geometry());
    EXPECT_GE(display->y(), tabBar->height());
    EXPECT_EQ(Find(window, "Overlay")->geometry(), QRect(4, 24, 100, 50));

    auto* scroll = Find<QScrollArea>(window, "ScrollBox1");
    auto* map = Find(window, "Image1");
    EXPECT_EQ(map->parentWidget(), scroll->widget());
    EXPECT_EQ(scroll->widget()->size(), QSize(400, 300));
    form.Scroll.SetScrollBarsVisible(false, false);
    EXPECT_EQ(scroll->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    auto* progress = Find<QProgressBar>(window, "ProgressBar");
    EXPECT_EQ(progress->geometry(), QRect(8, 270, 177, 17));
    form.Progress.SetPosition(11);
    EXPECT_EQ(progress->maximum(), 33);
    EXPECT_EQ(progress->value(), 11);

    auto* label = Find<QLabel>(window, "LabelDataSources");
    EXPECT_EQ(label->text(), "Data sources");
    EXPECT_EQ(label->toolTip(), "Countries.dat");
    // Texts that look like markup are still shown as written.
    form.Sources.SetHint("<b>topo</b>.img\nCountries.dat");
    EXPECT_EQ(QTextDocumentFragment::fromHtml(label->toolTip()).toPlainText(),
              "<b>topo</b>.img\nCountries.dat");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    // Sized to its text.
    EXPECT_EQ(form.Sources.GetBounds().width, label->sizeHint().width());
    EXPECT_GT(form.Sources.GetBounds().height, 0);
    form.Sources.SetVisible(false);
    EXPECT_FALSE(label->isVisible());

    auto* radio = Find(window, "RadioGroupView");
    auto buttons = radio->findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[1]->text(), "Zoom");
    // Two columns: the items sit side by side.
    EXPECT_GT(buttons[1]->x(), buttons[0]->x());
    EXPECT_EQ(buttons[1]->y(), buttons[0]->y());
}

TEST(QtFrontEnd, MenusCarryAccessKeysSeparatorsAndTheFormsCheckMarks) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    QList<QAction*> top = window.menuBar()->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), "&File");
    QList<QAction*> file = top[0]->menu()->actions();
    ASSERT_EQ(file.size(), 3);
    EXPECT_TRUE(file[1]->isSeparator());

    QAction* both = window.View().ActionFor("ViewBoth");
    QAction* land = window.View().ActionFor("ViewLand");
    QAction* monochrome = window.View().ActionFor("Monochrome1");
    QAction* inert = window.View().ActionFor("Inert");
    ASSERT_TRUE(both && land && monochrome && inert);
    ASSERT_NE(land->actionGroup(), nullptr);
    EXPECT_TRUE(land->actionGroup()->isExclusive());  // drawn as radio marks
    EXPECT_TRUE(both->isChecked());

    land->trigger();
    EXPECT_EQ(form.viewChoice, "ViewLand");
    EXPECT_TRUE(land->isChecked());
    EXPECT_FALSE(both->isChecked());
    EXPECT_FALSE(form.FindMenuItem("ViewBoth")->Checked());

    EXPECT_FALSE(monochrome->isCheckable());
    monochrome->trigger();
    EXPECT_TRUE(monochrome->isChecked());
    monochrome->trigger();
    EXPECT_FALSE(monochrome->isChecked());
    EXPECT_FALSE(form.FindMenuItem("Monochrome1")->Checked());

    // A checked item shows its mark even when Qt would toggle it; the form decides.
    form.FindMenuItem("Inert")->SetChecked(true);
    EXPECT_TRUE(inert->isChecked());
    inert->trigger();
    EXPECT_TRUE(inert->isChecked());

    // Captions and flags set directly by a handler show after it.
    form.FindMenuItem("Open1")->OnClick = [&form] {
        form.FindMenuItem("Open1")->SetCaption("&Reopen");
        form.FindMenuItem("Fail1")->SetEnabled(false);
    };
    window.View().ActionFor("Open1")->trigger();
    EXPECT_EQ(window.View().ActionFor("Open1")->text(), "&Reopen");
    EXPECT_FALSE(window.View().ActionFor("Fail1")->isEnabled());
}

TEST(QtFrontEnd, HandlerErrorsAreShownAndTheProgramCarriesOn) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    window.View().ActionFor("Fail1")->trigger();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Cannot open file: x.dat");
    window.View().ActionFor("Open1")->trigger();
    EXPECT_EQ(form.opened, 1);
}

TEST(QtFrontEnd, ResizingTheWindowMovesAnchoredControls) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    form.Create();
    qtui::MainWindow window(form, ui);
    window.show();
    Settle();
    int resizesBefore = form.resizes;
    window.resize(window.size() + QSize(100, 50));
    Settle();
    EXPECT_EQ(form.ClientWidth(), 600);
    EXPECT_EQ(form.ClientHeight(), 350);
    EXPECT_GT(form.resizes, resizesBefore);
    EXPECT_EQ(form.Exit.GetBounds().left, 500);
    EXPECT_EQ(form.Exit.GetBounds().top, 315);
    EXPECT_EQ(form.Tabs.GetBounds().width, 400);
    EXPECT_EQ(form.Scroll.GetBounds().left, 410);
    EXPECT_EQ(form.Progress.GetBounds().top, 320);
    EXPECT_EQ(Find(window, "ButtonExit")->geometry(), RectOf(form.Exit));
    EXPECT_EQ(Find(window, "TabControlImage")->geometry(), RectOf(form.Tabs));
    // The client-aligned image grew with its tab page, the anchored one with the tab control.
    EXPECT_EQ(Find(window, "ImageDisplay")->size(),
              Find(window, "TabControlImage")->findChild<QWidget*>("page")->size());
    EXPECT_EQ(Find(window, "Overlay")->geometry(), QRect(4, 24, 200, 100));

    // A size set by the form resizes the window.
    form.SetClientSize(450, 280);
    Settle();
    EXPECT_EQ(window.centralWidget()->size(), QSize(450, 280));
}

TEST(QtFrontEnd, AClientSizeSetBeforeTheWindowShowsIsKept) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    form.SetClientSize(420, 260);  // as a FormShow might
    form.SetClientSize(430, 270);
    window.show();
    Settle();
    EXPECT_EQ(window.centralWidget()->size(), QSize(430, 270));
    EXPECT_EQ(form.ClientWidth(), 430);
    EXPECT_EQ(form.ClientHeight(), 270);
}

TEST(QtFrontEnd, TabsRadioButtonsAndMouseReachTheirHandlers) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    window.show();
    Settle();
    auto* tabBar = Find(window, "TabControlImage")->findChild<QTabBar*>();
    tabBar->setCurrentIndex(1);
    EXPECT_EQ(form.Tabs.TabIndex(), 1);
    EXPECT_EQ(form.tabChanges, std::vector<int>{1});
    form.Tabs.SetTabIndex(0);  // by code: the bar follows, no change event
    EXPECT_EQ(tabBar->currentIndex(), 0);
    EXPECT_EQ(form.tabChanges.size(), 1u);

    auto buttons = Find(window, "RadioGroupView")->findChildren<QRadioButton*>();
    buttons[1]->click();
    EXPECT_EQ(form.View.ItemIndex(), 1);
    form.View.SetItemIndex(0);
    EXPECT_TRUE(buttons[0]->isChecked());
    EXPECT_EQ(form.radioClicks, (std::vector<int>{1, 0}));
    form.View.SetItemIndex(-1);
    EXPECT_FALSE(buttons[0]->isChecked() || buttons[1]->isChecked());

    QWidget* picture = Find(window, "Picture");
    auto send = [picture](QEvent::Type type, QPoint at, Qt::MouseButton button,
                          Qt::MouseButtons held) {
        QMouseEvent event(type, at, picture->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(picture, &event);
    };
    send(QEvent::MouseButtonPress, {3, 2}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {-5, 40}, Qt::NoButton, Qt::LeftButton);  // outside, still ours
    send(QEvent::MouseButtonRelease, {-5, 40}, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(form.mouse.size(), 3u);
    EXPECT_EQ(form.mouse[0].what, "down");
    EXPECT_EQ(form.mouse[0].x, 3);
    EXPECT_EQ(form.mouse[1].what, "move");
    EXPECT_EQ(form.mouse[1].x, -5);
    EXPECT_EQ(form.mouse[2].what, "up");
    EXPECT_EQ(form.mouse[2].y, 40);
}

TEST(QtFrontEnd, ImagesPaintTheirBitmapsOnePixelPerPixelOrStretched) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    window.show();
    Settle();
    Bitmap& indexed = form.Picture.OwnPicture();
    indexed.SetFormat(PixelFormat::Indexed8);
    indexed.SetSize(8, 4);
    indexed.SetPalette({{10, 20, 30}, {200, 100, 50}});
    indexed.Row(1)[2] = 1;
    indexed.Row(3)[7] = 77;  // beyond the palette: shown as grey, like the bitmap reads it
    form.Picture.Repaint();
    QImage shown = Find(window, "Picture")->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(2, 1)), QColor(200, 100, 50));
    EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(10, 20, 30));
    EXPECT_EQ(QColor(shown.pixel(7, 3)), QColor(77, 77, 77));

    Bitmap colour(4, 2, PixelFormat::Bgr24);
    colour.SetPixelColour(3, 1, MakeColour(1, 2, 250));
    form.Picture.ShowCopyOf(colour);
    colour.SetPixelColour(3, 1, Colours::White);  // a copy: not seen
    shown = Find(window, "Picture")->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(3, 1)), QColor(1, 2, 250));

    // Stretched: a 2 x 1 bitmap, left half black and right half white, fills the 8 x 4 view.
    Bitmap halves(2, 1, PixelFormat::Bgr24);
    halves.SetPixelColour(1, 0, Colours::White);
    form.Picture.ShowCopyOf(halves);
    form.Picture.SetStretch(true);
    shown = Find(window, "Picture")->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(0, 3)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(7, 0)), QColor(Qt::white));
}

TEST(QtFrontEnd, TimersRunTheirHandlersFromTheEventLoop) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    form.Redraw.SetEnabled(false);
    qtui::MainWindow window(form, ui);
    QTimer* timer = window.View().TimerFor("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    form.Redraw.SetEnabled(true);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1);
    EXPECT_EQ(form.redraws, 0);  // never inside the event that enabled it
    QElapsedTimer waited;
    waited.start();
    while (form.redraws == 0 && waited.elapsed() < 10000) {
        QApplication::processEvents();
        QThread::msleep(1);
    }
    EXPECT_EQ(form.redraws, 1);
    EXPECT_FALSE(timer->isActive());
}

TEST(QtFrontEnd, ClosingAsksTheFormAndEscapePressesTheCancelButton) {
    ScriptedInteraction ui;
    SampleForm form(ui);
    qtui::MainWindow window(form, ui);
    int closedCalls = 0;
    window.onClosed = [&] { ++closedCalls; };
    window.show();
    Settle();
    form.agreeToClose = false;
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(closedCalls, 0);

    form.agreeToClose = true;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
    QApplication::sendEvent(Find(window, "ImageDisplay"), &escape);
    EXPECT_TRUE(form.IsClosed());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closedCalls, 1);
}

TEST(QtFrontEnd, AboutBoxClosesOnEscapeOnlyWhereItsVariantSays) {
    ScriptedInteraction ui;
    for (AboutVariant variant : {AboutVariant::Standard, AboutVariant::Strandel}) {
        TAboutBoxVRN1 box(ui, nullptr, variant);
        qtui::ModalDialog dialog(box, ui, nullptr);
        box.OpenModal();
        dialog.show();
        Settle();
        EXPECT_EQ(dialog.windowTitle(), "About Varnholt's ");
        EXPECT_EQ(dialog.View().size(), QSize(variant == AboutVariant::Standard ? 338 : 298, 213));
        QWidget* ok = dialog.View().WidgetFor("OKButton");
        QWidget* panel = dialog.View().WidgetFor("Panel1");
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
        QApplication::sendEvent(panel, &escape);
        EXPECT_EQ(box.IsClosed(), variant == AboutVariant::Standard);
        EXPECT_EQ(dialog.isVisible(), variant == AboutVariant::Strandel);
        if (variant == AboutVariant::Strandel) {
            QApplication::sendEvent(ok, &escape);
            EXPECT_TRUE(box.IsClosed());
            EXPECT_FALSE(dialog.isVisible());
        }
    }
}

TEST(QtFrontEnd, FileDialogFiltersBecomeQtNameFilters) {
    EXPECT_EQ(qtui::NameFiltersOf("All files (*.*)|*.*"), QStringList{"All files (*)"});
    EXPECT_EQ(qtui::NameFiltersOf("PNG images (*.png)|*.png"), QStringList{"PNG images (*.png)"});
    EXPECT_EQ(qtui::NameFiltersOf("Images|*.png;*.bmp|Grids|*.img"),
              (QStringList{"Images (*.png *.bmp)", "Grids (*.img)"}));
    EXPECT_TRUE(qtui::NameFiltersOf("").isEmpty());
    EXPECT_TRUE(qtui::NameFiltersOf("Dangling description").isEmpty());
}

// Once a file dialog is up: notes the name it suggests, types another if given, presses Open.
void OpenWhenShown(const QString& typed, std::vector<QString>& suggested) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, typed, &suggested] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        suggested.push_back(QFileInfo(dialog->selectedFiles().value(0)).fileName());
        if (!typed.isEmpty()) dialog->selectFile(typed);
        QMetaObject::invokeMethod(dialog, "accept");  // the Open button
    });
    poll->start(5);
}

TEST(QtFrontEnd, ADialogWhoseNamesIgnoreCaseSuggestsAndTakesTheFoldersSpelling) {
    TempDir tiles;
    tiles.Write("E020N40.DEM", {});
    tiles.Write("W180N90.DEM", {});
    ui::OpenDialog dialog;
    dialog.initialDir = tiles.Folder();
    dialog.fileName = "E020N40.dem";
    dialog.options = ui::PathMustExist | ui::FileMustExist;
    dialog.namesIgnoreCase = true;
    qtui::QtInteraction ui;
    std::vector<QString> suggested;
    OpenWhenShown("", suggested);
    EXPECT_EQ(ui.ExecuteOpen(dialog), tiles / "E020N40.DEM");
    OpenWhenShown("w180n90.dem", suggested);
    EXPECT_EQ(ui.ExecuteOpen(dialog), tiles / "W180N90.DEM");
    EXPECT_EQ(suggested, (std::vector<QString>{"E020N40.DEM", "E020N40.DEM"}));
}

TEST(QtFrontEnd, AFileDialogsRefusalCarriesTheProgramsTitle) {
    TempDir folder;
    ui::OpenDialog dialog;
    dialog.initialDir = folder.Folder();
    dialog.title = "Please point to the GSHHS file you would like to use";
    dialog.options = ui::PathMustExist | ui::FileMustExist;
    qtui::QtInteraction ui;
    ui.SetTitle("Strandel");
    QString refusalTitle;
    QString refusalText;
    // Types a name that is not there, notes the box that refuses it, then cancels the dialog;
    // gives up after ten seconds rather than wait for ever.
    QElapsedTimer waited;
    waited.start();
    bool opened = false;
    QTimer poll;  // last, so that it goes before what it looks at
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (waited.elapsed() > 10000) {
            if (auto* stuck = qobject_cast<QDialog*>(modal)) stuck->reject();
            if (!modal) poll.stop();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            refusalTitle = box->windowTitle();
            refusalText = box->text();
            box->accept();
        } else if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
            if (!refusalTitle.isEmpty()) {
                poll.stop();
                chooser->reject();
                return;
            }
            if (opened) return;
            opened = true;
            chooser->selectFile("absent.b");
            // Queued: the refusal's own loop must see this timer fire again.
            QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
        }
    });
    poll.start(5);
    EXPECT_EQ(ui.ExecuteOpen(dialog), std::nullopt);
    EXPECT_EQ(refusalTitle, "Strandel");
    EXPECT_TRUE(refusalText.contains("File not found.")) << refusalText.toStdString();
}

TEST(QtFrontEnd, ModalFormsAskBeforeClosingAndMayCloseBeforeTheyShow) {
    ScriptedInteraction ui;
    SampleForm box(ui);
    {
        qtui::ModalDialog dialog(box, ui, nullptr);
        box.OpenModal();
        dialog.show();
        Settle();
        box.agreeToClose = false;
        dialog.reject();
        EXPECT_TRUE(dialog.isVisible());
        box.agreeToClose = true;
        box.Close();
        EXPECT_TRUE(box.IsClosed());
        EXPECT_FALSE(dialog.isVisible());
    }

    // Closed while still hidden (by its FormShow, say): the dialog never opens.
    qtui::ModalDialog second(box, ui, nullptr);
    box.OpenModal();
    box.Close();
    EXPECT_TRUE(box.IsClosed());
    EXPECT_EQ(second.result(), QDialog::Rejected);
}
