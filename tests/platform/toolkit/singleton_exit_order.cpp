// Creates singletons in a known order, one of them while another is being built, and prints each
// destruction: the test reads the order from standard output.
#include <cstdio>

#include "toolkit/cuisingleton.h"

static bool g_secondAlive = false;

class First : public OrvoGUIToolkit::CUiSingleton<First>
{
public:
    First() { std::printf("make First\n"); }
    ~First() override { std::printf("delete First\n"); }
};

class Second : public OrvoGUIToolkit::CUiSingleton<Second>
{
public:
    Second()
    {
        g_secondAlive = true;
        std::printf("make Second\n");
    }
    ~Second() override
    {
        g_secondAlive = false;
        std::printf("delete Second\n");
    }
};

// Uses Second while it is being built, and in its destructor.
class Third : public OrvoGUIToolkit::CUiSingleton<Third>
{
public:
    Third()
    {
        Second::instance();
        std::printf("make Third\n");
    }
    ~Third() override
    {
        std::printf("delete Third (Second %s)\n", g_secondAlive ? "alive" : "gone");
    }
};

int main()
{
    First::instance();
    Third::instance();
    std::printf("main returns\n");
    std::fflush(stdout);
    return 0;
}
