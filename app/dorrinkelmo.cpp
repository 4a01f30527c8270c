// The program's entry point. The chat front ends are not built yet; until they are, the program
// says so and exits.
#include <cstdio>

int main() {
  std::puts("DorrinKelmo: the conversation window and the terminal front end are not built yet.");
  return 0;
}
