# dtusim device profile: a ZR-3100 DTU with S2 firmware (GBK text).
# Derived from data/dtuparam_s2.ini: every keyword of the catalogue with
# a value its checks accept. The format is described in README.md,
# section "The simulated DTU".

[device]
generation=S2
version=2.1.5
password=pilot
product_number=ZR3100B0001
imei=860123456789020
manufacturer=ÔóÀ×Í¨ÐÅ
product_name=ZR-3100
revision=ZR3100_S2_2.1.5
ready=ZR-3100 READY
csq=23
hex_prefix=HBDATA,ENCKEY

# The lines outside the channel blocks, in the order the unit reports them.
# SPSV and IMEINUMBER report the [device] values.
[base]
SPSV=
SPHV=HW2.0
IMEINUMBER=
SPMODEL=ZR-3100
DEVNAME=ZR3100_LAB
CFGPWD=zr3100
DBGOUT=0
LOGLVL=2
UBAUD=115200
UDATAB=8
UPARITY=0
USTOPB=1
UFLOW=0
UMODE=0
UPKTLEN=1024
UFRMINT=0
APN=CMIOT
APNUSER=
APNPWD=
DIALNUM=*99#
AUTHTYPE=0
NETMODE=0
DNS1=114.114.114.114
DNS2=223.5.5.5
SIMPIN=
ONMODE=0
HBINT=120
HBDATA=FE01
RCINT=30
RCMAX=0
IDLETM=0
SMSC=
SMSCFG=0
SMSNUM1=
SMSNUM2=
SMSWAKE=wakeup
REGEN=0
REGMODE=0
REGLEN=4
REGDATA=5A520001
TAGLEN=6
TAGSTR=ZR0001
MGMTEN=0
MGMTIP=0.0.0.0
MGMTPORT=9000
MGMTRPT=3600
LOCALPT=0
ENCEN=0
ENCMODE=1
ENCKEY=00112233445566778899AABBCCDDEEFF
RCFGEN=1
TRSTEN=0
TRSTHOUR=3
TRSTMIN=0
NTPSVR=pool.ntp.org
TZONE=8
MBPOLL=0
MBINT=10
MBSLAVE=1
MBCMD=010300000001840A
MBPFX=
SVRADDR=10.0.0.10
SVRPORT=7001
PROTO=0

# Factory values (AT+USEDEFAULT) where they differ from the lines above.
[factory base]
DEVNAME=ZR3100
APN=CMNET
HBINT=60
SVRADDR=192.168.1.100
SVRPORT=5001
