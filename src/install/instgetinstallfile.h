// Gathering the install file lists from Setup.inf and the list files, behind
// a small notice window.
#pragma once
#include <string>

#include "platform/forms.h"
#include "shell/instconfig.h"

extern const platform::FormDef kGetInstallFileForm;

class TfrmGetInstallFile : public platform::Form {
public:
    TfrmGetInstallFile();
    platform::Label Label1{*this, "Label1"};
    platform::Label Label2{*this, "Label2"};

private:
    void FormShow() override;
};

// Fills the ten FileLists and the four single-file sources of InstConfig.
// The notice takes `mainForm`'s caption. Appends: callers empty the lists.
void GatherInstallFileInfo(platform::Form& mainForm);
