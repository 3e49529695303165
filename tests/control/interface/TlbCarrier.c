/* Carries a type library resource for the loader tests. */
int cantrel_tlb_carrier_marker(void) { return 1; }
