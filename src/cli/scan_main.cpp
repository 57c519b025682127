// Placeholder until the headless scan lands.
int main() { return 2; }
