#include "app/PanelFileExplorer.h"

PanelFileExplorer::PanelFileExplorer(skinner::Container* parent, std::wstring_view name, skinner::Properties* skin)
    : ControlPanel(parent, name, skinner::creation_named, skin), files_(get_container(), L"lstFiles") {}

PanelFileExplorer::~PanelFileExplorer() = default;
