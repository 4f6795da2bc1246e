#pragma once
#include "app/ControlFiles.h"
#include "skinner/controls/ControlPanel.h"

// The panel of a skin that holds the file list "lstFiles"; it may be built
// on another skin than its form's (the chooser uses the dialogs skin).
class PanelFileExplorer : public skinner::ControlPanel {
public:
    PanelFileExplorer(skinner::Container* parent, std::wstring_view name, skinner::Properties* skin);
    ~PanelFileExplorer() override;

    ControlFiles& get_files() { return files_; }

private:
    ControlFiles files_;
};
