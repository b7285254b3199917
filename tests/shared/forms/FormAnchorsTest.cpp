#include <gtest/gtest.h>

#include "Form.h"
#include "ScriptedInteraction.h"

namespace {

class AnchoredForm : public ui::Form {
public:
    explicit AnchoredForm(ui::Interaction& ui) : Form(ui, "FormMain") {
        SetDesign(0, 0, 758, 556);  // client 750 x 510
        Tabs.SetBounds({0, 0, 750, 481});
        Tabs.SetAnchors(ui::AnchorsAll);
        Inside.SetBounds({4, 24, 742, 453});
        Inside.SetAnchors(ui::AnchorsAll);
        Corner.SetBounds({700, 400, 40, 20});
        Corner.SetAnchors(ui::AnchorRight | ui::AnchorBottom);
        Filling.align = ui::Align::Client;
        Filling.SetBounds({2, 20, 746, 459});
        Fixed.SetBounds({10, 10, 50, 50});
        Stay.SetBounds({1, 1, 5, 5});
        Stay.SetAnchors(ui::AnchorsAll);
        Label.SetBounds({8, 488, 30, 13});
        Label.SetAnchors(ui::AnchorLeft | ui::AnchorBottom);
    }
    ui::TabControl& Tabs = Make<ui::TabControl>("Tabs");
    ui::Image& Inside = Make<ui::Image>("Inside", &Tabs);
    ui::Label& Corner = Make<ui::Label>("Corner", &Tabs);
    ui::Image& Filling = Make<ui::Image>("Filling", &Tabs);
    ui::Panel& Fixed = Make<ui::Panel>("Fixed");
    ui::Image& Stay = Make<ui::Image>("Stay", &Fixed);  // its parent keeps its size
    ui::Label& Label = Make<ui::Label>("LabelStep");
};

}  // namespace

TEST(FormAnchors, ControlsInAContainerFollowItsChangeOfSize) {
    ScriptedInteraction ui;
    AnchoredForm form(ui);
    form.SetClientSize(850, 560);
    EXPECT_EQ(form.Tabs.GetBounds(), (ui::Bounds{0, 0, 850, 531}));
    EXPECT_EQ(form.Inside.GetBounds(), (ui::Bounds{4, 24, 842, 503}));
    EXPECT_EQ(form.Corner.GetBounds(), (ui::Bounds{800, 450, 40, 20}));
    EXPECT_EQ(form.Label.GetBounds(), (ui::Bounds{8, 538, 30, 13}));
    // Left to the front end, which fills the page with it.
    EXPECT_EQ(form.Filling.GetBounds(), (ui::Bounds{2, 20, 746, 459}));
    EXPECT_EQ(form.Stay.GetBounds(), (ui::Bounds{1, 1, 5, 5}));

    form.SetClientSize(750, 510);  // and back again
    EXPECT_EQ(form.Inside.GetBounds(), (ui::Bounds{4, 24, 742, 453}));
    EXPECT_EQ(form.Corner.GetBounds(), (ui::Bounds{700, 400, 40, 20}));
}
