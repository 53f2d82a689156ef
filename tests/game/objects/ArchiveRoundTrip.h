// Objects saved to a file and loaded back, as a saved game does with a
// level's entities, and saved files damaged by hand. Run inside a
// ScratchDir: the files are left there.
#pragma once

#include <initializer_list>
#include <vector>

#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "tests/engine/ArchiveTestSupport.h"

inline bool SaveRoots(std::initializer_list<OmObject*> roots, const char* path)
{
    return archive_test::SaveRoots(path, roots);
}

// The roots loaded back from path, held; none when the load fails.
inline std::vector<OmRef<OmObject>> LoadRoots(const char* path)
{
    std::vector<OmRef<OmObject>> roots;
    for (OmObject* root : archive_test::LoadFile(path).roots)
        roots.push_back(OmRef<OmObject>::Adopt(root));
    return roots;
}

// Root i of those loaded as a T, null when there is none or it is another class.
template <class T>
T* RootAs(const std::vector<OmRef<OmObject>>& roots, size_t i)
{
    return i < roots.size() ? T::Cast(roots[i].Get()) : nullptr;
}

// One object saved and loaded back as a T, the caller's to release: null
// when either step fails or what comes back is of another class.
template <class T>
T* RoundTrip(OmObject* root, const char* path)
{
    if (!SaveRoots({root}, path))
        return nullptr;
    std::vector<OmRef<OmObject>> back = LoadRoots(path);
    return back.size() == 1 && T::Cast(back[0].Get()) ? T::Cast(back[0].Detach()) : nullptr;
}

// The same, held: the loaded object goes with the handle.
template <class T>
OmRef<T> Reloaded(OmObject* root, const char* path)
{
    return OmRef<T>::Adopt(RoundTrip<T>(root, path));
}

inline bool LoadsAs(const std::vector<unsigned char>& bytes, const char* path)
{
    archive_test::WriteFile(path, bytes);
    return !LoadRoots(path).empty();
}
