namespace plat {
// Keeps the device layer a real shared library before its first service lands.
int layer_version() { return 1; }
}
