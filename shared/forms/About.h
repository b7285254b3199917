#pragma once
// The plain About dialog: caption "About", client area 298 x 213, centred; a panel holding the
// program icon (stretched) and the labels ProductName, Version, Copyright and Comments; and
// OKButton, the default button, which closes the box.
#include <string>

#include "Form.h"

class TAboutBox : public ui::Form {
public:
    explicit TAboutBox(ui::Interaction& ui, std::string name = "AboutBox");

    ui::Panel& Panel1 = Make<ui::Panel>("Panel1");
    ui::Image& ProgramIcon = Make<ui::Image>("ProgramIcon", &Panel1);
    ui::Label& ProductName = Make<ui::Label>("ProductName", &Panel1);
    ui::Label& Version = Make<ui::Label>("Version", &Panel1);
    ui::Label& Copyright = Make<ui::Label>("Copyright", &Panel1);
    ui::Label& Comments = Make<ui::Label>("Comments", &Panel1);
    ui::Button& OKButton = Make<ui::Button>("OKButton");
};
