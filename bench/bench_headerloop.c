/* The floor of a catalogue build: open every file of a folder and read its
   first 16 bytes, nothing more. Prints the number of files read. */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: bench_headerloop DIR\n");
        return 2;
    }
    DIR* dir = opendir(argv[1]);
    if (!dir) {
        perror(argv[1]);
        return 1;
    }
    long files = 0;
    unsigned flags = 0;
    struct dirent* entry;
    char path[4096];
    unsigned char head[16];
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] == '.')
            continue;
        snprintf(path, sizeof path, "%s/%s", argv[1], entry->d_name);
        int fd = open(path, O_RDONLY);
        if (fd < 0)
            continue;
        if (read(fd, head, sizeof head) == (ssize_t)sizeof head) {
            ++files;
            flags ^= head[15];
        }
        close(fd);
    }
    closedir(dir);
    printf("%ld files read (%u)\n", files, flags);
    return 0;
}
