// GPtr: a GObject of libgsf or GMime held by one reference, released when the pointer goes;
// GRef takes a new reference to one that someone else keeps. Header-only, for the code that
// links GObject (the conversion library, Gimlet and their tests).
#pragma once

#include <memory>

#include <glib-object.h>

namespace platform {

struct GObjectUnref {
    void operator()(void* object) const
    {
        if (object) {
            g_object_unref(object);
        }
    }
};

template <class T> using GPtr = std::unique_ptr<T, GObjectUnref>;

template <class T> GPtr<T> GRef(T* object)
{
    if (object) {
        g_object_ref(object);
    }
    return GPtr<T>(object);
}

} // namespace platform
