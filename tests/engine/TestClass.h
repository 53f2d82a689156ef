// A class of the tests with nothing of its own but its place in the class
// tree: made by default, or read from an archive as its base is.
#pragma once

#include "engine/OmClass.h"

#define OM_TEST_CLASS(Cls, Base)                            \
    class Cls : public Base {                               \
        OM_DECLARE_CLASS(Cls)                               \
        Cls() = default;                                    \
        explicit Cls(OmArchive& archive) : Base(archive) {} \
    }
