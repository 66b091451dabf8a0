// A field of the catalogue by its settings-file key, for native and Windows tests alike.
#pragma once
#include <gtest/gtest.h>

#include <cstring>

#include "model/field_catalogue.h"

// A key the catalogue lacks fails the test and yields the first field, so the test
// goes on to report what else is wrong.
inline const RegisterField& Field(const char* key) {
    for (const RegisterField& f : FieldCatalogue)
        if (std::strcmp(f.Key, key) == 0) return f;
    ADD_FAILURE() << "no field " << key;
    return FieldCatalogue[0];
}
