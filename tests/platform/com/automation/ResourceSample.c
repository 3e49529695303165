/* A small shared library that carries resources for the reader's tests. */
int pxres_sample_marker(void) { return 42; }
