// The constant byte sets, taken verbatim from their files with .incbin so that
// no generated source holds megabytes of numbers. The assembler finds the
// files through its include path (-Wa,-I...). Each record gets its own
// .rdata$ section: the linker merges them into .rdata, and --gc-sections can
// still drop a record that a program never names.

#define GLUE2(a, b) a##b
#define GLUE(a, b) GLUE2(a, b)
// C names carry a leading underscore on i686 and none on x86_64.
#define C_NAME(name) GLUE(__USER_LABEL_PREFIX__, name)

// A byte set record: dimension count 1, the file's length, the file's bytes.
.macro byte_set name, file
    .section .rdata$\name, "dr"
    .balign 4
    .globl \name
\name:
    .long 1
    .long .Lend_\name - .Lstart_\name
.Lstart_\name:
    .incbin "\file"
.Lend_\name:
.endm

    byte_set C_NAME(logoPicture), "logo.jpg"
    byte_set C_NAME(startPicture), "start.jpg"
    byte_set C_NAME(startHotPicture), "start_hot.jpg"
    byte_set C_NAME(finishPicture), "finish.jpg"
    byte_set C_NAME(productArchive), "product.zip"
