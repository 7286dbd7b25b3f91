// The program of a layer check (cmake/Centrprg.cmake: centrprg_layer_check): linking it is the check.
int main() {
    return 0;
}
