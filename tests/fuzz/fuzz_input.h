#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A fuzz input made of fields separated by NUL bytes ("section\0key\0value\0
// file"), so seeds are plain files written by hand. Missing fields are empty;
// the last field takes the rest, NULs included.
inline QList<QByteArray> fuzzFields(const uint8_t* data, size_t size, int count) {
    QByteArrayView rest(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<QByteArray> fields;
    while (fields.size() < count - 1) {
        const qsizetype nul = rest.indexOf('\0');
        if (nul < 0) break;
        fields << rest.first(nul).toByteArray();
        rest = rest.sliced(nul + 1);
    }
    while (fields.size() < count - 1) fields << QByteArray();
    fields << rest.toByteArray();
    return fields;
}

// A broken promise of the code under test: a crash for the fuzzer.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (false)
