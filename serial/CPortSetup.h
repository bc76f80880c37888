#pragma once
// The setup dialog of a serial port: port, speed, framing and flow control chosen from lists.
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "serial/CPortCtl.h"

#include <array>

// The dialog as its form description lays it out; EditComPortSettings runs it.
class TComSetupFrm : public TForm {
    CLASS_INFO(TComSetupFrm, TForm)
public:
    // Reads the form description (raises EResNotFound when the program lacks it).
    explicit TComSetupFrm(TComponent* AOwner);

    // The six boxes in the order of their rows.
    std::array<TComComboBox*, 6> Combos() const { return {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6}; }

    // Translates the captions; the boxes keep their items, which are setting values.
    void FormCreate(TObject* Sender);

    TGroupBox* GroupBox1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TComComboBox* Combo1 = nullptr;
    TComComboBox* Combo2 = nullptr;
    TComComboBox* Combo3 = nullptr;
    TComComboBox* Combo4 = nullptr;
    TComComboBox* Combo5 = nullptr;
    TComComboBox* Combo6 = nullptr;
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;
};

// Shows the setup dialog for the port. OK writes the chosen values into it in one update (an open port gets them
// all at once); Cancel changes nothing. A box with nothing chosen leaves its setting as it is.
void EditComPortSettings(TCustomComPort* ComPort);

// Translates the captions and hints of Root and the components it owns through the catalogue of Domain, except
// the components named in Ignore.
void TranslateComponent(TComponent* Root, const std::string& Domain, const std::vector<std::string>& Ignore);
