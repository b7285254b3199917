#include <gtest/gtest.h>

#include <stdexcept>

#include "Form.h"
#include "ScriptedInteraction.h"

TEST(Observers, EveryFrontEndFollowsTheSameControlUntilItsSubscriptionEnds) {
    ui::ProgressBar bar("ProgressBar");
    int window = 0;
    int terminal = 0;
    ui::Subscription windowWatch = bar.Subscribe({[&] { ++window; }, {}});
    {
        ui::Subscription terminalWatch = bar.Subscribe({[&] { ++terminal; }, [&] { ++terminal; }});
        bar.SetPosition(10);
        bar.Repaint();
    }
    bar.SetPosition(20);
    EXPECT_EQ(window, 2);
    EXPECT_EQ(terminal, 2);

    // An observer may end its own watching while being told.
    ui::Subscription once;
    int onceCalls = 0;
    once = bar.Subscribe({[&] {
                              ++onceCalls;
                              once.Cancel();
                          },
                          {}});
    bar.SetPosition(30);
    bar.SetPosition(40);
    EXPECT_EQ(onceCalls, 1);
}

TEST(Observers, ASubscriptionMayOutliveWhatItWatched) {
    ui::Subscription watch;
    {
        ui::Timer timer("Timer1");
        watch = timer.Subscribe({[] {}, {}});
    }
    watch.Cancel();  // nothing left to detach from, and no harm done
}

TEST(Observers, MenuItemChangesReachTheirObservers) {
    ui::MenuItem menu("MainMenu1", "");
    ui::MenuItem& item = menu.Add("Open1", "&Open");
    int changes = 0;
    auto watch = item.Subscribe({[&] { ++changes; }, {}});
    item.SetCaption("&Reopen");
    item.SetEnabled(false);
    item.SetEnabled(false);  // no change
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(item.Caption(), "&Reopen");
    EXPECT_EQ(item.Parent(), &menu);
}

TEST(Observers, AFormHasOneWindowAtATime) {
    ScriptedInteraction ui;
    ui::Form form(ui, "FormMain");
    int closes = 0;
    {
        ui::Subscription window = form.AttachWindow([&] { ++closes; });
        EXPECT_THROW((void)form.AttachWindow([] {}), std::logic_error);
        form.Close();
        EXPECT_EQ(closes, 1);
        EXPECT_FALSE(form.IsClosed());  // the window decides
    }
    form.Close();
    EXPECT_TRUE(form.IsClosed());
}
