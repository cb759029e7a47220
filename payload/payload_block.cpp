// The embedded payload archive as a byte set. The assembler includes the archive file as it is
// (.incbin), after the byte set's two header words, so embedding a few megabytes costs no compile time.
// SETUP_PAYLOAD_FILE (the archive's path) and SETUP_PAYLOAD_SECTION (the object format's read-only data
// section) come from the build. This file holds nothing else, so switching sections here cannot
// disturb the compiler's own output.
#define SETUP_STRINGIFY_(x) #x
#define SETUP_STRINGIFY(x) SETUP_STRINGIFY_(x)
#define SETUP_SYMBOL(name) SETUP_STRINGIFY(__USER_LABEL_PREFIX__) #name

// Layout: dimension count 1, length N (both 32-bit little-endian), then the N bytes of the archive.
asm(".section " SETUP_PAYLOAD_SECTION "\n"
    ".balign 4\n"
    ".globl " SETUP_SYMBOL(setup_payload_block) "\n"
    ".globl " SETUP_SYMBOL(setup_payload_block_end) "\n"
    SETUP_SYMBOL(setup_payload_block) ":\n"
    ".long 1\n"
    ".long 2f - 1f\n"
    "1:\n"
    ".incbin \"" SETUP_PAYLOAD_FILE "\"\n"
    "2:\n"
    SETUP_SYMBOL(setup_payload_block_end) ":\n"
    ".text\n");
