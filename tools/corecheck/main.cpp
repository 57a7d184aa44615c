// Links every object of one layer's library (core, print or the command line) and nothing of the layers
// above it: a file that reaches for a window, a message box or a widget fails this link.
int main() {
    return 0;
}
