// The C library functions setup.exe uses, its own: it links no C runtime,
// because the first releases of Windows 95 ship no msvcrt.dll. The compiler
// calls memcpy, memmove and memset for copies and zero-filling of its own,
// so they must exist even where the code never names them.
//
// Built with -fno-builtin and -fno-tree-loop-distribute-patterns (see
// CMakeLists.txt): otherwise the compiler would turn these loops back into
// calls to the functions themselves. Linked into setup.exe only; the tests
// link the library with the platform's C runtime.
#include <stddef.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t count)
{
    unsigned char* out = static_cast<unsigned char*>(to);
    const unsigned char* in = static_cast<const unsigned char*>(from);
    while (count--)
        *out++ = *in++;
    return to;
}

// The regions may overlap: copied backwards when the target lies above.
void* memmove(void* to, const void* from, size_t count)
{
    unsigned char* out = static_cast<unsigned char*>(to);
    const unsigned char* in = static_cast<const unsigned char*>(from);
    if (out <= in || out >= in + count)
        return memcpy(to, from, count);
    while (count--)
        out[count] = in[count];
    return to;
}

void* memset(void* to, int value, size_t count)
{
    unsigned char* out = static_cast<unsigned char*>(to);
    while (count--)
        *out++ = static_cast<unsigned char>(value);
    return to;
}

int memcmp(const void* first, const void* second, size_t count)
{
    const unsigned char* a = static_cast<const unsigned char*>(first);
    const unsigned char* b = static_cast<const unsigned char*>(second);
    for (; count--; ++a, ++b) {
        if (*a != *b)
            return *a - *b;
    }
    return 0;
}

size_t strlen(const char* text)
{
    const char* end = text;
    while (*end)
        ++end;
    return static_cast<size_t>(end - text);
}
}
