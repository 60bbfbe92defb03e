/* Functions with the contract of CallDLL: input memory and its size, output
 * memory and its size, a 32-bit result. */
#include <sys/wait.h>
#include <unistd.h>

/* Writes the sum of the input bytes as a 32-bit value into the output (when
 * it has room) and returns the input size. */
int sum_bytes(const unsigned char *in, int in_size, unsigned char *out, int out_size) {
    int sum = 0;
    for (int i = 0; i < in_size; ++i) sum += in[i];
    if (out_size >= 4) {
        for (int i = 0; i < 4; ++i) out[i] = (unsigned char)(sum >> (8 * i));
    }
    return in_size;
}

/* Copies the input reversed into the output and returns
 * in_size * 1000 + out_size; removes its own arguments from the stack. */
int __attribute__((stdcall)) reverse_bytes(const unsigned char *in, int in_size, unsigned char *out, int out_size) {
    for (int i = 0; i < in_size && i < out_size; ++i) out[i] = in[in_size - 1 - i];
    return in_size * 1000 + out_size;
}

/* Forks a child that writes through a null pointer, as a library's helper
 * process might fault. Returns the signal that ended the child, or 1000 plus
 * its exit status when it exited. */
int fault_in_child(const unsigned char *in, int in_size, unsigned char *out, int out_size) {
    (void)in, (void)in_size, (void)out, (void)out_size;
    pid_t child = fork();
    if (child == 0) {
        *(volatile int *)0 = 1;
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 1000 + WEXITSTATUS(status);
}
