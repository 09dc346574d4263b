#include "support/synthetic_catalogue.h"

#include "text/strformat.h"

namespace zt::test {

std::string FullCatalogueText() {
  std::string t = "[application]\r\nproduct=ZR-3100\r\nlanguage=CN\r\n[group]\r\ncount=28\r\n";
  for (int g = 1; g <= 28; ++g) {
    t += Format("[group%d]\r\nname=group %d\r\ncount=64\r\nchn=-1\r\ndtu_run_type=0x0f\r\n", g, g);
    for (int n = 1; n <= 64; ++n) {
      t += Format("[group%d_parm%d]\r\ncode=0x%04x\r\ntype=INT2\r\nname=parameter %d of %d\r\n", g, n,
                  g * 256 + n, n, g);
      t += Format("short_name=P%dX%d\r\nis_const_param=0\r\ndefault=%d\r\n", g, n, n);
      t += "tip=a plain explanation of the parameter, 1~65535\r\nfixed_length=0\r\nlength=5\r\n";
      t += "is_cust_param=0\r\nrelation_code=\r\nis_check_range=1\r\nvalue_range=0,1~65535\r\n";
      t += "is_ipaddr=0\r\nis_list=1\r\nlist_options=TCP,UDP,HTTP\r\nlist_value=0,1,2\r\n";
      t += "is_list_custom=1\r\nis_password=0\r\nreadonly=0\r\nis_common_param=0\r\n";
      t += "is_spec_ascstr=1\r\nspec_ascstr_first=abcdefghij\r\nspec_ascstr_other=abcdefghij0123456789\r\n";
    }
  }
  return t;
}

}  // namespace zt::test
