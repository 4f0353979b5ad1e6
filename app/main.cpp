// Program entry of VelmarUtil (replaced by the full start-up sequence).
int main() { return 0; }
