// Builds the precompiled GoogleTest headers that every test program reuses; it runs no tests.
int main() {
    return 0;
}
