#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <dlfcn.h>

// Loading a library at run time, for the engines that are not build
// requirements: one build then serves machines with and without them.
namespace clipvoice::agent::voice::RuntimeLibrary {

// Opens a library by its SONAME; null, with the loader's reason in `error`,
// when it cannot be loaded.
inline void* open(const QByteArray& soname, QString* error)
{
    void* handle = dlopen(soname.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && error != nullptr) {
        *error = QStringLiteral("cannot load %1 (%2)")
                     .arg(QString::fromLocal8Bit(soname), QString::fromLocal8Bit(dlerror()));
    }
    return handle;
}

// Looks a function up; when it is missing, `out` is null and its name is
// added to `missing`.
template <typename Pointer>
void resolve(void* handle, const char* symbol, Pointer& out, QStringList& missing)
{
    void* address = dlsym(handle, symbol);
    if (!address) {
        missing.append(QString::fromLatin1(symbol));
    }
    out = reinterpret_cast<Pointer>(address);
}

} // namespace clipvoice::agent::voice::RuntimeLibrary
