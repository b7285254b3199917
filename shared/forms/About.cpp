#include "About.h"

TAboutBox::TAboutBox(ui::Interaction& ui, std::string name) : Form(ui, std::move(name)) {
    SetCaption("About");
    SetDesignClient(0, 0, 298, 213, true);

    Panel1.SetBounds({8, 8, 281, 161});
    Panel1.bevelInner = ui::Bevel::Raised;
    Panel1.bevelOuter = ui::Bevel::Lowered;

    ProgramIcon.SetBounds({8, 8, 65, 57});
    ProgramIcon.SetStretch(true);
    ProductName.SetBounds({88, 16, 68, 13});
    ProductName.SetCaption("Product Name");
    Version.SetBounds({88, 40, 35, 13});
    Version.SetCaption("Version");
    Copyright.SetBounds({8, 80, 44, 13});
    Copyright.SetCaption("Copyright");
    Comments.SetBounds({8, 104, 265, 39});
    Comments.SetCaption("Comments");
    Comments.style.wordWrap = true;

    OKButton.SetBounds({111, 180, 75, 25});
    OKButton.SetCaption("OK");
    OKButton.isDefault = true;
    OKButton.OnClick = [this] { Close(); };
}
