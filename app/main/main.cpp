// Placeholder entry point until the program's start-up lands.
int main() { return 0; }
