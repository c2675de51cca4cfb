# Sourced, not run, after wine-env.sh: picks the build the demo and the
# screenshots show. The x86 program in a 32-bit prefix where the host runs
# 32-bit code, else (or with OVRA_DEMO_ARCH=x64) the x64 program in a 64-bit
# prefix. Sets OVRA_DEMO_ARCH and OVRA_DEMO_KIND and says which.
ovra_demo_arch() {
  local who=$1 reason
  reason=$(ovra_i386_refusal)
  if [ "${OVRA_DEMO_ARCH:-x86}" = x64 ] || [ -n "$reason" ]; then
    OVRA_DEMO_ARCH=x64 OVRA_DEMO_KIND=win64
    if [ -n "$reason" ]; then
      echo "$who: $reason, so it runs the 64-bit program (OvraHivemend64.exe) in a 64-bit prefix"
    else
      echo "$who: the 64-bit program (OvraHivemend64.exe) in a 64-bit prefix"
    fi
  else
    OVRA_DEMO_ARCH=x86 OVRA_DEMO_KIND=win32
    echo "$who: the 32-bit program (OvraHivemend.exe) in a 32-bit prefix"
  fi
}
