// Links every object of the core library and nothing of the windows: a core file that reaches for a
// window, a message box or a widget fails this link.
int main() {
    return 0;
}
