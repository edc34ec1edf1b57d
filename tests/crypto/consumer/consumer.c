/* Seals and opens one buffer through the installed library; exit 0 when the
   round trip gives the text back. */
#include <nimbral_crypto.h>

#include <string.h>

int main(void) {
    static const unsigned char text[] = "installed and linked";
    unsigned char container[sizeof text + 49];
    unsigned char opened[sizeof text];
    int capacity = (int)sizeof container;
    int size = (int)sizeof opened;
    if (Nimbral_EncryptBuffer(text, (int)sizeof text, container, &capacity) != 0) return 1;
    if (Nimbral_DecryptBuffer(container, capacity, opened, &size) != 0) return 2;
    return size == (int)sizeof text && memcmp(opened, text, sizeof text) == 0 ? 0 : 3;
}
