// sample script
include "gs.gs"

class Sample isclass GameObject
{
  public void Init(void)
  {
    Interface.Print("Sample ready");
  }
};
