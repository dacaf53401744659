#pragma once

#include <QtGlobal>

namespace fenwave {

// The interface languages. The per-user store keeps the language as a number; a number that names
// no language is carried as it is, so that the window keeps its texts as built and the same number
// is written back.
enum class Language : quint8 { English = 0, Russian = 1 };

// The stored DWORD counts by its low 8 bits only.
constexpr Language languageFromStored(quint32 stored)
{
    return Language(stored & 0xffu);
}

constexpr quint32 storedLanguage(Language language)
{
    return quint32(language);
}

constexpr bool isKnownLanguage(Language language)
{
    return language == Language::English || language == Language::Russian;
}

} // namespace fenwave
