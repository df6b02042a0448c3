def main():
    i = 0; total = 0; s = ""
    while i < 1000000:
        t = "%05d:%s" % (i, "abc")
        total = total + len(t) + len(t[1:4])
        s = s + t
        if len(s) > 1000:
            s = ""
        i = i + 1
    print(total)
main()
