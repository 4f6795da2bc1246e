#include "ProbeForm.h"
#include "ProbeList.h"

#include "skinner/Control.h"
#include "skinner/Properties.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlCalendar.h"
#include "skinner/controls/ControlCheckBox.h"
#include "skinner/controls/ControlComboBoxStringReadonly.h"
#include "skinner/controls/ControlEdit.h"
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlPanel.h"
#include "skinner/controls/ControlPanelAutoScroll.h"
#include "skinner/controls/ControlPicture.h"
#include "skinner/controls/ControlProgress.h"
#include "skinner/controls/ControlScrollBar.h"
#include "skinner/controls/ControlTab.h"
#include "skinner/controls/ControlTabElement.h"
#include "skinner/controls/ControlWatch.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <map>
#include <memory>

namespace probe {
namespace {

using Builder = skinner::Control* (*)(skinner::Container& parent, std::wstring_view name);

// Kind name = class name; the form deletes what these build.
const std::map<std::wstring, Builder, std::less<>>& builders() {
    static const std::map<std::wstring, Builder, std::less<>> table{
        {L"ControlButton",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlButton(&parent, name);
         }},
        {L"ControlCalendar",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlCalendar(&parent, name);
         }},
        {L"ControlEdit",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlEdit(&parent, name);
         }},
        {L"ControlList",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new ProbeList(&parent, name);
         }},
        {L"ControlComboBox",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlComboBoxStringReadonly(&parent, name);
         }},
        {L"ControlCheckBox",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlCheckBox(&parent, name);
         }},
        {L"ControlPanel",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlPanel(&parent, name);
         }},
        {L"ControlPanelAutoScroll",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlPanelAutoScroll(&parent, name);
         }},
        {L"ControlScrollBar",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlScrollBar(&parent, name);
         }},
        {L"ControlTab",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             auto* tab = new skinner::ControlTab(&parent, name);
             // Its pages are the template's entries of kind "ControlTabElement"; the tab deletes them.
             skinner::Properties& properties = *parent.get_properties();
             const std::wstring& pages = tab->get_template();
             for (uint32_t i = 0; i < properties.get_form_control_count(pages); ++i)
                 if (const auto entry = properties.get_form_control(pages, i); entry && entry->second == L"ControlTabElement")
                     new skinner::ControlTabElement(*tab, entry->first);
             return tab;
         }},
        {L"ControlPicture",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlPicture(&parent, name);
         }},
        {L"ControlFrame",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlFrame(&parent, name);
         }},
        {L"ControlProgress",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlProgress(&parent, name);
         }},
        {L"ControlWatch",
         [](skinner::Container& parent, std::wstring_view name) -> skinner::Control* {
             return new skinner::ControlWatch(&parent, name);
         }},
    };
    return table;
}

std::wstring number(std::intptr_t value) { return std::to_wstring(value); }
// A slider value with four decimals, as "0.5000".
std::wstring fraction(double value) {
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%.4f", value);
    return text;
}

std::wstring cell(int32_t column, int32_t row) { return L"column=" + number(column) + L" row=" + number(row); }

} // namespace

ProbeForm::ProbeForm(skinner::Properties* properties, std::wstring_view form_name, Sink events, Sink problems)
    : Form(nullptr, properties, form_name), events_(std::move(events)), problems_(std::move(problems)) {
    build_remaining_controls();
}

std::vector<std::wstring> ProbeForm::class_kinds() {
    std::vector<std::wstring> kinds;
    for (const auto& [kind, builder] : builders())
        kinds.push_back(kind);
    return kinds;
}

void ProbeForm::build_remaining_controls() {
    skinner::Properties& properties = *get_properties();
    const uint32_t count = properties.get_form_control_count(get_name());
    for (uint32_t i = 0; i < count; ++i) {
        const auto entry = properties.get_form_control(get_name(), i);
        if (!entry)
            continue;
        const auto& [name, kind] = *entry;
        const auto& children = get_children();
        if (std::any_of(children.begin(), children.end(), [&](const skinner::Control* c) { return c->get_name() == name; }))
            continue;
        const auto builder = builders().find(kind);
        if (builder == builders().end()) {
            problems_(L"control {" + name + L"} of kind {" + kind + L"}: no such kind or framework class");
            continue;
        }
        builder->second(*this, name);
    }
}

void ProbeForm::tell(std::wstring_view operation, skinner::Control* sender, const std::wstring& payload) {
    std::wstring line = L"EVENT ";
    line.append(operation).append(L" sender=");
    if (!sender)
        line.append(L"(form)");
    else
        line.append(sender->get_name().empty() ? sender->get_kind() : sender->get_name());
    if (!payload.empty())
        line.append(L" ").append(payload);
    events_(line);
}

int32_t ProbeForm::on_click(skinner::Control* sender) {
    tell(L"on_click", sender);
    return Form::on_click(sender);
}
int32_t ProbeForm::on_event_1(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_1", sender, L"data=" + number(data));
    return Form::on_event_1(sender, data);
}
int32_t ProbeForm::on_item_click(skinner::Control* sender, int32_t column, int32_t row) {
    tell(L"on_item_click", sender, cell(column, row));
    return Form::on_item_click(sender, column, row);
}
int32_t ProbeForm::on_event_3(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_3", sender, L"data=" + number(data));
    return Form::on_event_3(sender, data);
}
int32_t ProbeForm::on_item_context_click(skinner::Control* sender, int32_t column, int32_t row) {
    tell(L"on_item_context_click", sender, cell(column, row));
    return Form::on_item_context_click(sender, column, row);
}
int32_t ProbeForm::on_event_5(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_5", sender, L"data=" + number(data));
    return Form::on_event_5(sender, data);
}
int32_t ProbeForm::on_event_6(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_6", sender, L"data=" + number(data));
    return Form::on_event_6(sender, data);
}
int32_t ProbeForm::on_event_7(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_7", sender, L"data=" + number(data));
    return Form::on_event_7(sender, data);
}
int32_t ProbeForm::on_event_8(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_8", sender, L"data=" + number(data));
    return Form::on_event_8(sender, data);
}
int32_t ProbeForm::on_event_9(skinner::Control* sender, int32_t column, int32_t row, bool commit) {
    tell(L"on_event_9", sender, cell(column, row) + L" commit=" + number(commit));
    return Form::on_event_9(sender, column, row, commit);
}
int32_t ProbeForm::on_event_10(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_10", sender, L"data=" + number(data));
    return Form::on_event_10(sender, data);
}
int32_t ProbeForm::on_event_11(skinner::Control* sender, std::intptr_t data) {
    tell(L"on_event_11", sender, L"data=" + number(data));
    return Form::on_event_11(sender, data);
}
int32_t ProbeForm::on_scroll(skinner::Control* sender, int32_t position) {
    tell(L"on_scroll", sender, L"position=" + number(position));
    return Form::on_scroll(sender, position);
}
int32_t ProbeForm::on_menu_command(skinner::Control* sender, const std::wstring& command) {
    tell(L"on_menu_command", sender, L"command=" + command);
    return Form::on_menu_command(sender, command);
}
int32_t ProbeForm::on_slider_moved(skinner::Control* sender, double value) {
    tell(L"on_slider_moved", sender, L"value=" + fraction(value));
    return Form::on_slider_moved(sender, value);
}
int32_t ProbeForm::on_slider_released(skinner::Control* sender, double value) {
    tell(L"on_slider_released", sender, L"value=" + fraction(value));
    return Form::on_slider_released(sender, value);
}
int32_t ProbeForm::on_text_changed(skinner::Control* sender, const std::wstring& text) {
    tell(L"on_text_changed", sender, L"text=" + text);
    return Form::on_text_changed(sender, text);
}
int32_t ProbeForm::on_header_click(skinner::Control* sender, int32_t column, int32_t row) {
    tell(L"on_header_click", sender, cell(column, row));
    return Form::on_header_click(sender, column, row);
}
int32_t ProbeForm::on_header_context_click(skinner::Control* sender, int32_t column, int32_t row) {
    tell(L"on_header_context_click", sender, cell(column, row));
    return Form::on_header_context_click(sender, column, row);
}
int32_t ProbeForm::on_selection_changed(skinner::Control* sender) {
    tell(L"on_selection_changed", sender);
    return Form::on_selection_changed(sender);
}
int32_t ProbeForm::on_highlight_changed(skinner::Control* sender) {
    tell(L"on_highlight_changed", sender);
    return Form::on_highlight_changed(sender);
}
int32_t ProbeForm::on_focus_changed(skinner::Control* sender) {
    tell(L"on_focus_changed", sender);
    return Form::on_focus_changed(sender);
}
int32_t ProbeForm::on_create_menu(skinner::Control* sender, skinner::MenuRecord& menu) {
    tell(L"on_create_menu", sender);
    return Form::on_create_menu(sender, menu);
}
int32_t ProbeForm::on_popup_closed(skinner::Control* sender) {
    tell(L"on_popup_closed", sender);
    return Form::on_popup_closed(sender);
}

} // namespace probe
