#pragma once
#include "skinner/Form.h"

// A form that the home screen's refresh queries reach.
class FormMainToday : public skinner::Form {
public:
    using skinner::Form::Form;
    // Re-reads what the item shows when it changed.
    virtual void refresh() {}
};
