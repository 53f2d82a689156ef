// The opening of a class of the tests: its class record and pool, made by
// default, or read from an archive as its base is. Leaves the access public.
#pragma once

#include "engine/OmClass.h"

#define OM_DECLARE_TEST_CLASS(Cls, Base) \
    OM_DECLARE_CLASS(Cls)                \
    Cls() = default;                     \
    explicit Cls(OmArchive& archive) : Base(archive) {}

// A class of the tests with nothing of its own but its place in the class tree.
#define OM_TEST_CLASS(Cls, Base)         \
    class Cls : public Base {            \
        OM_DECLARE_TEST_CLASS(Cls, Base) \
    }
