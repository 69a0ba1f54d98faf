/* The example product's program: it greets and ends. */
#include <stdio.h>

int main(void) {
  puts("Hello from the example product.");
  return 0;
}
