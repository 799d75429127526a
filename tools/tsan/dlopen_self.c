/* Preloaded into the test programs by tools/tsan.sh; built without
 * ThreadSanitizer.
 *
 * llvmpipe builds an LLVM execution engine for every shader it compiles,
 * and each one calls dlopen(NULL), the handle of the program itself, and
 * later dlclose on it. ThreadSanitizer's dlopen and dlclose rescan every
 * loaded module (about 250 here, one mmap and munmap each) to keep its
 * ignore list current: that was more than half of a shader-heavy test's
 * time. dlopen(NULL) loads and runs nothing and its dlclose unloads
 * nothing, so these two go straight to the C library; every other dlopen
 * and dlclose still goes through ThreadSanitizer. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

typedef void *(*open_fn)(const char *, int);
typedef int (*close_fn)(void *);

static open_fn next_open;   /* ThreadSanitizer's */
static close_fn next_close;
static open_fn libc_open;   /* the C library's own */
static close_fn libc_close;
static void *self_handle;

static void find(void)
{
    next_open = (open_fn)dlsym(RTLD_NEXT, "dlopen");
    next_close = (close_fn)dlsym(RTLD_NEXT, "dlclose");
    void *libc = next_open ? next_open("libc.so.6", RTLD_LAZY | RTLD_NOLOAD) : NULL;
    if (libc)
    {
        libc_open = (open_fn)dlsym(libc, "dlopen");
        libc_close = (close_fn)dlsym(libc, "dlclose");
    }
    if (!next_open || !next_close || !libc_open || !libc_close)
    {
        fprintf(stderr, "dlopen_self: dlopen or dlclose not found\n");
        abort();
    }
    self_handle = libc_open(NULL, RTLD_LAZY);
}

static pthread_once_t once = PTHREAD_ONCE_INIT;

void *dlopen(const char *file, int flags)
{
    pthread_once(&once, find);
    return file ? next_open(file, flags) : libc_open(NULL, flags);
}

int dlclose(void *handle)
{
    pthread_once(&once, find);
    return handle == self_handle ? libc_close(handle) : next_close(handle);
}
