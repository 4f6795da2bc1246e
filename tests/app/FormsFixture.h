#pragma once
// What every test of the program's forms shares: the model's device root and
// fake clock (ModelTest), the application object, the form skin's properties
// and a Document, and the clicks that reach a form running modally.
#include "ModelFixture.h"

#include "../skinner/FormFixture.h"
#include "app/Document.h"
#include "os/Application.h"
#include "skinner/Properties.h"
#include "skinner/controls/ControlButtonBase.h"

#include <memory>
#include <string>
#include <string_view>

namespace forms_fixture {

// The button of that name among the form's children.
inline skinner::ControlButtonBase* button_of(skinner::Container& form, std::wstring_view name) {
    for (skinner::Control* child : form.get_children())
        if (child->get_name() == name)
            return dynamic_cast<skinner::ControlButtonBase*>(child);
    return nullptr;
}

// Clicks the button of the form that runs modally now, writing the form's name down.
inline void click_modal(const std::wstring& name, std::wstring* seen = nullptr) {
    skinner::Form* form = skinner::Form::modal_form();
    ASSERT_TRUE(form);
    if (seen)
        *seen = form->get_name();
    skinner::ControlButtonBase* button = button_of(*form, name);
    ASSERT_TRUE(button) << "no button";
    button->click();
}

class FormsTest : public model_fixture::ModelTest {
protected:
    void TearDown() override {
        document.reset();
        ModelTest::TearDown();
    }

    // A Document, with the compiled skin at `skin` (a device path) in the
    // language file test.lng of `language` as the forms' skin and as its
    // dialogs skin, at 240 x 320.
    void start_document(const std::wstring& skin, const std::wstring& language) {
        write_language("test.lng", language);
        document = std::make_unique<Document>();
        properties.load(skin, L"%app_path%/test.lng", {240, 320});
        document->get_dialogs_skin().load(skin, L"%app_path%/test.lng", {240, 320});
    }

    os::Application application{nullptr};
    skinner::Properties properties;
    std::unique_ptr<Document> document;
};

} // namespace forms_fixture
