// Objects saved to a file and loaded back, as a saved game does with a
// level's entities. Run inside a ScratchDir: the file is left there.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"

// Saves the roots to path; false when the save fails.
inline bool SaveRoots(std::initializer_list<OmObject*> roots, const char* path)
{
    OmClassRegistry::Instance().AssignClassIds(); // as the game does at start-up
    OmArchive out(OmClassRegistry::Instance());
    for (OmObject* root : roots)
        out.AddRoot(root);
    return out.Save(path);
}

// The roots loaded back from path, none when the load fails; each one is
// the caller's to release.
inline std::vector<OmObject*> LoadRoots(const char* path)
{
    OmArchive in(OmClassRegistry::Instance());
    std::vector<OmObject*> roots;
    if (in.Load(path)) {
        for (uint32_t i = 0; i < in.GetRootCount(); ++i)
            roots.push_back(in.GetRoot(i));
    }
    return roots;
}

// One object saved and loaded back as a T: null when either step fails or
// what comes back is of another class.
template <class T>
T* RoundTrip(OmObject* root, const char* path)
{
    if (!SaveRoots({root}, path))
        return nullptr;
    const std::vector<OmObject*> back = LoadRoots(path);
    return back.size() == 1 ? T::Cast(back[0]) : nullptr;
}

// The same, held: the loaded object goes with the handle.
template <class T>
OmRef<T> Reloaded(OmObject* root, const char* path)
{
    return OmRef<T>::Adopt(RoundTrip<T>(root, path));
}
