#include "skinner/MenuRecord.h"

#include "base/Log.h"

namespace skinner {

MenuRecord& VBCollection::operator[](size_t position) {
    if (position >= records_.size())
        liba::report_error(L"VBCollection::operator[]", L"pos is invalid");
    return records_[position];
}

const MenuRecord& VBCollection::operator[](size_t position) const {
    return const_cast<VBCollection&>(*this)[position];
}

void VBCollection::append(const MenuRecord& record) { records_.push_back(record); }

void VBCollection::mark_last() {
    if (!records_.empty())
        records_.back().separator_after = true;
}

void MenuRecord::inherit_owner() {
    for (MenuRecord& entry : entries) {
        if (!entry.owner)
            entry.owner = owner;
        entry.inherit_owner();
    }
}

} // namespace skinner
