#include "app/PanelAlarm.h"

PanelAlarm::PanelAlarm(skinner::Container* parent)
    : ControlPanel(parent, L"panelAlarm"),
      audio_(get_container()),
      time_(get_container()),
      subject_(get_container()),
      actions_(get_container()) {}

PanelAlarm::~PanelAlarm() = default;
