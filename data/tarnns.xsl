<?xml version="1.0" encoding="UTF-8"?>
<!--
  Turns a fetched channel into the plain shape the item bank merges:
    rss/channel with title, link, description, language, copyright, managingEditor, webMaster,
    pubDate, lastBuildDate, generator, docs, ttl, then one item per entry with title, link,
    description, author, category, guid and pubDate.
  Reads RSS 0.91/0.92/2.0 (also with the elements in the "http://backend.userland.com/rss2"
  namespace), RSS 0.90 and 1.0 (RDF, Dublin Core) and Atom 0.3 and 1.0, whatever prefixes they
  use. A feed inside another document (an XHTML page that carries it) is found where it stands.
  Every date becomes the RFC 822 layout "Mon, 02 Oct 2006 13:00:00 GMT" with the clock time as
  written, so items keep their own dates: ISO 8601 dates (Atom, dc:date, or inside pubDate) and
  RFC 822 dates with a two-digit year ("Thu, 07 Dec 17 10:00:29 -0800"), a one-digit day, no
  seconds or no weekday alike. A date that cannot be read is passed on as it is.
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"
    xmlns:rss1="http://purl.org/rss/1.0/"
    xmlns:rss090="http://my.netscape.com/rdf/simple/0.9/"
    xmlns:dc="http://purl.org/dc/elements/1.1/"
    xmlns:content="http://purl.org/rss/1.0/modules/content/"
    xmlns:atom="http://www.w3.org/2005/Atom"
    xmlns:atom03="http://purl.org/atom/ns#"
    xmlns:u="http://backend.userland.com/rss2"
    xmlns:h="http://www.w3.org/1999/xhtml"
    exclude-result-prefixes="rdf rss1 rss090 dc content atom atom03 u h">

  <xsl:output method="xml" encoding="UTF-8" indent="no"/>

  <!-- The feed is the document's first RSS, RDF or Atom element: the root as a rule, an element
       inside an (X)HTML page that carries one. RSS elements may be in no namespace, in the
       userland RSS 2.0 namespace, or in the XHTML namespace of the page around them. -->
  <xsl:template match="/">
    <xsl:variable name="feed"
        select="(//rss[channel] | //u:rss[u:channel] | //h:rss[h:channel] | //rdf:RDF
                | //atom:feed | //atom03:feed)[1]"/>
    <rss version="2.0">
      <channel>
        <xsl:apply-templates select="$feed/channel | $feed/u:channel | $feed/h:channel
                                     | $feed/self::rdf:RDF | $feed/self::atom:feed
                                     | $feed/self::atom03:feed"/>
      </channel>
    </rss>
  </xsl:template>

  <!-- RSS 0.91, 0.92, 2.0 in no namespace, the usual case: what the template below does, by
       plain names, which are quicker to find. -->
  <xsl:template match="channel">
    <xsl:for-each select="title | link | description | language | copyright | managingEditor
                          | webMaster | lastBuildDate | category | generator | docs | ttl | rating">
      <xsl:element name="{local-name()}"><xsl:value-of select="."/></xsl:element>
    </xsl:for-each>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="rfc" select="pubDate"/>
      <xsl:with-param name="iso" select="dc:date"/>
    </xsl:call-template>
    <xsl:for-each select="item">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="title"/>
          <xsl:with-param name="link" select="link"/>
          <xsl:with-param name="plain" select="description"/>
          <xsl:with-param name="rich" select="content:encoded"/>
          <xsl:with-param name="author" select="(author | dc:creator)[1]"/>
          <xsl:with-param name="guid" select="guid"/>
          <xsl:with-param name="rfc" select="pubDate"/>
          <xsl:with-param name="iso" select="dc:date"/>
        </xsl:call-template>
        <xsl:for-each select="category | dc:subject">
          <category><xsl:value-of select="."/></category>
        </xsl:for-each>
        <xsl:apply-templates select="enclosure" mode="enclosure"/>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- RSS 0.91, 0.92, 2.0 in the userland or XHTML namespace: the channel's elements share its
       namespace. -->
  <xsl:template match="u:channel | h:channel">
    <xsl:variable name="ns" select="namespace-uri()"/>
    <xsl:for-each select="*[namespace-uri() = $ns]
        [contains('|title|link|description|language|copyright|managingEditor|webMaster|lastBuildDate|category|generator|docs|ttl|rating|',
                  concat('|', local-name(), '|'))]">
      <xsl:element name="{local-name()}"><xsl:value-of select="."/></xsl:element>
    </xsl:for-each>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="rfc" select="*[local-name() = 'pubDate' and namespace-uri() = $ns]"/>
      <xsl:with-param name="iso" select="dc:date"/>
    </xsl:call-template>
    <xsl:for-each select="*[local-name() = 'item' and namespace-uri() = $ns]">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="*[local-name() = 'title' and namespace-uri() = $ns]"/>
          <xsl:with-param name="link" select="*[local-name() = 'link' and namespace-uri() = $ns]"/>
          <xsl:with-param name="plain"
              select="*[local-name() = 'description' and namespace-uri() = $ns]"/>
          <xsl:with-param name="rich" select="content:encoded"/>
          <xsl:with-param name="author"
              select="(*[local-name() = 'author' and namespace-uri() = $ns] | dc:creator)[1]"/>
          <xsl:with-param name="guid" select="*[local-name() = 'guid' and namespace-uri() = $ns]"/>
          <xsl:with-param name="rfc" select="*[local-name() = 'pubDate' and namespace-uri() = $ns]"/>
          <xsl:with-param name="iso" select="dc:date"/>
        </xsl:call-template>
        <xsl:for-each select="*[local-name() = 'category' and namespace-uri() = $ns] | dc:subject">
          <category><xsl:value-of select="."/></category>
        </xsl:for-each>
        <xsl:apply-templates select="*[local-name() = 'enclosure' and namespace-uri() = $ns]" mode="enclosure"/>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- RSS 0.90 and 1.0: channel and items are siblings under rdf:RDF -->
  <xsl:template match="rdf:RDF">
    <xsl:variable name="c" select="rss1:channel | rss090:channel"/>
    <title><xsl:value-of select="$c/rss1:title | $c/rss090:title"/></title>
    <link><xsl:value-of select="$c/rss1:link | $c/rss090:link"/></link>
    <description><xsl:value-of select="$c/rss1:description | $c/rss090:description"/></description>
    <xsl:if test="$c/dc:language"><language><xsl:value-of select="$c/dc:language"/></language></xsl:if>
    <xsl:if test="$c/dc:rights"><copyright><xsl:value-of select="$c/dc:rights"/></copyright></xsl:if>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="iso" select="$c/dc:date"/>
    </xsl:call-template>
    <xsl:for-each select="rss1:item | rss090:item">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="rss1:title | rss090:title"/>
          <xsl:with-param name="link" select="rss1:link | rss090:link"/>
          <xsl:with-param name="plain" select="rss1:description | rss090:description"/>
          <xsl:with-param name="rich" select="content:encoded"/>
          <xsl:with-param name="author" select="dc:creator"/>
          <xsl:with-param name="guid" select="@rdf:about"/>
          <xsl:with-param name="iso" select="dc:date"/>
        </xsl:call-template>
        <xsl:for-each select="dc:subject">
          <category><xsl:value-of select="."/></category>
        </xsl:for-each>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- Atom 1.0 -->
  <xsl:template match="atom:feed">
    <title><xsl:value-of select="atom:title"/></title>
    <link><xsl:value-of select="(atom:link[@rel='alternate' or not(@rel)])[1]/@href"/></link>
    <description><xsl:value-of select="atom:subtitle"/></description>
    <xsl:if test="atom:rights"><copyright><xsl:value-of select="atom:rights"/></copyright></xsl:if>
    <xsl:if test="atom:generator"><generator><xsl:value-of select="atom:generator"/></generator></xsl:if>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="iso" select="atom:updated"/>
    </xsl:call-template>
    <xsl:for-each select="atom:entry">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="atom:title"/>
          <xsl:with-param name="link" select="(atom:link[@rel='alternate' or not(@rel)])[1]/@href"/>
          <xsl:with-param name="plain" select="atom:summary"/>
          <xsl:with-param name="rich" select="atom:content"/>
          <xsl:with-param name="author"
              select="atom:author[1]/atom:name | ../atom:author[not(current()/atom:author)][1]/atom:name"/>
          <xsl:with-param name="guid" select="atom:id"/>
          <xsl:with-param name="iso" select="(atom:published | atom:updated)[1]"/>
        </xsl:call-template>
        <xsl:for-each select="atom:category">
          <category><xsl:value-of select="@term"/></category>
        </xsl:for-each>
        <xsl:apply-templates select="atom:link[@rel='enclosure']" mode="enclosure"/>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- Atom 0.3 -->
  <xsl:template match="atom03:feed">
    <title><xsl:value-of select="atom03:title"/></title>
    <link><xsl:value-of select="(atom03:link[@rel='alternate' or not(@rel)])[1]/@href"/></link>
    <description><xsl:value-of select="atom03:tagline"/></description>
    <xsl:if test="atom03:copyright"><copyright><xsl:value-of select="atom03:copyright"/></copyright></xsl:if>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="iso" select="atom03:modified"/>
    </xsl:call-template>
    <xsl:for-each select="atom03:entry">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="atom03:title"/>
          <xsl:with-param name="link" select="(atom03:link[@rel='alternate' or not(@rel)])[1]/@href"/>
          <xsl:with-param name="plain" select="atom03:summary"/>
          <xsl:with-param name="rich" select="atom03:content"/>
          <xsl:with-param name="author"
              select="atom03:author[1]/atom03:name | ../atom03:author[not(current()/atom03:author)][1]/atom03:name"/>
          <xsl:with-param name="guid" select="atom03:id"/>
          <xsl:with-param name="iso" select="(atom03:issued | atom03:modified)[1]"/>
        </xsl:call-template>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- An enclosure (a podcast's episode, a video, a file) as RSS 2.0 writes it; Atom's
       enclosure links take the same shape. Without an address there is nothing to keep. -->
  <xsl:template match="*" mode="enclosure">
    <xsl:variable name="url" select="normalize-space(@url | @href)"/>
    <xsl:if test="$url">
      <enclosure url="{$url}" type="{normalize-space(@type)}" length="{normalize-space(@length)}"/>
    </xsl:if>
  </xsl:template>

  <!-- The item's own fields; description is the richer (longer) of the two texts. -->
  <xsl:template name="item-fields">
    <xsl:param name="title"/>
    <xsl:param name="link"/>
    <xsl:param name="plain"/>
    <xsl:param name="rich"/>
    <xsl:param name="author"/>
    <xsl:param name="guid"/>
    <xsl:param name="rfc"/>
    <xsl:param name="iso"/>
    <title><xsl:value-of select="$title"/></title>
    <xsl:if test="string($link)"><link><xsl:value-of select="normalize-space($link)"/></link></xsl:if>
    <description>
      <xsl:choose>
        <xsl:when test="string-length($rich) &gt; string-length($plain)">
          <xsl:apply-templates select="$rich" mode="text"/>
        </xsl:when>
        <xsl:otherwise><xsl:apply-templates select="$plain" mode="text"/></xsl:otherwise>
      </xsl:choose>
    </description>
    <xsl:if test="string($author)"><author><xsl:value-of select="$author"/></author></xsl:if>
    <xsl:if test="string($guid)"><guid><xsl:value-of select="$guid"/></guid></xsl:if>
    <xsl:call-template name="date-element">
      <xsl:with-param name="rfc" select="$rfc"/>
      <xsl:with-param name="iso" select="$iso"/>
    </xsl:call-template>
  </xsl:template>

  <!-- Text content; XHTML content (Atom type="xhtml") is kept as markup text. -->
  <xsl:template match="*" mode="text">
    <xsl:choose>
      <xsl:when test="@type='xhtml' or @type='application/xhtml+xml'">
        <xsl:apply-templates select="node()" mode="markup"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="."/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>
  <xsl:template match="*" mode="markup">
    <xsl:value-of select="concat('&lt;', local-name())"/>
    <xsl:for-each select="@*">
      <xsl:value-of select="concat(' ', local-name(), '=&quot;')"/>
      <xsl:call-template name="escape"><xsl:with-param name="text" select="."/></xsl:call-template>
      <xsl:text>"</xsl:text>
    </xsl:for-each>
    <xsl:text>&gt;</xsl:text>
    <xsl:apply-templates select="node()" mode="markup"/>
    <xsl:value-of select="concat('&lt;/', local-name(), '&gt;')"/>
  </xsl:template>
  <!-- Text the author escaped stays text: its & < > " are written as references. -->
  <xsl:template match="text()" mode="markup">
    <xsl:call-template name="escape"><xsl:with-param name="text" select="."/></xsl:call-template>
  </xsl:template>

  <!-- Long texts are halved until a piece is short, so the recursion stays shallow; a piece
       without any of the four characters is written as it is. -->
  <xsl:template name="escape">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="not(contains($text, '&amp;') or contains($text, '&lt;')
                          or contains($text, '&gt;') or contains($text, '&quot;'))">
        <xsl:value-of select="$text"/>
      </xsl:when>
      <xsl:when test="string-length($text) &gt; 64">
        <xsl:variable name="half" select="floor(string-length($text) div 2)"/>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="substring($text, 1, $half)"/>
        </xsl:call-template>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="substring($text, $half + 1)"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="c" select="substring($text, 1, 1)"/>
        <xsl:choose>
          <xsl:when test="$c = '&amp;'">&amp;amp;</xsl:when>
          <xsl:when test="$c = '&lt;'">&amp;lt;</xsl:when>
          <xsl:when test="$c = '&gt;'">&amp;gt;</xsl:when>
          <xsl:when test="$c = '&quot;'">&amp;quot;</xsl:when>
          <xsl:otherwise><xsl:value-of select="$c"/></xsl:otherwise>
        </xsl:choose>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="substring($text, 2)"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="channel-date">
    <xsl:param name="rfc"/>
    <xsl:param name="iso"/>
    <xsl:call-template name="date-element">
      <xsl:with-param name="rfc" select="$rfc"/>
      <xsl:with-param name="iso" select="$iso"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template name="date-element">
    <xsl:param name="rfc"/>
    <xsl:param name="iso"/>
    <xsl:variable name="text">
      <xsl:choose>
        <xsl:when test="string($rfc)"><xsl:value-of select="normalize-space($rfc)"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="normalize-space($iso)"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:if test="string($text)">
      <pubDate>
        <xsl:choose>
          <xsl:when test="substring($text, 5, 1) = '-'
                          and translate(substring($text, 1, 4), '0123456789', '') = ''">
            <xsl:call-template name="rfc822"><xsl:with-param name="iso" select="string($text)"/></xsl:call-template>
          </xsl:when>
          <xsl:otherwise>
            <xsl:call-template name="rfc822-relaid"><xsl:with-param name="text" select="string($text)"/></xsl:call-template>
          </xsl:otherwise>
        </xsl:choose>
      </pubDate>
    </xsl:if>
  </xsl:template>

  <!-- "2006-10-02T13:00:00+02:00" becomes "Mon, 02 Oct 2006 13:00:00 +0200". -->
  <xsl:template name="rfc822">
    <xsl:param name="iso"/>
    <xsl:variable name="y" select="number(substring($iso, 1, 4))"/>
    <xsl:variable name="m" select="number(substring($iso, 6, 2))"/>
    <xsl:variable name="d" select="number(substring($iso, 9, 2))"/>
    <xsl:choose>
      <xsl:when test="string($y) = 'NaN' or string($m) = 'NaN' or string($d) = 'NaN'
                      or $m &lt; 1 or $m &gt; 12">
        <xsl:value-of select="$iso"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="rest" select="substring($iso, 12)"/>
        <xsl:variable name="clock">
          <xsl:choose>
            <xsl:when test="string-length($rest) &gt;= 8 and substring($rest, 6, 1) = ':'">
              <xsl:value-of select="substring($rest, 1, 8)"/>
            </xsl:when>
            <xsl:when test="string-length($rest) &gt;= 5">
              <xsl:value-of select="concat(substring($rest, 1, 5), ':00')"/>
            </xsl:when>
            <xsl:otherwise>00:00:00</xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <xsl:variable name="zone">
          <xsl:choose>
            <xsl:when test="contains($rest, '+')">
              <xsl:value-of select="concat('+', translate(substring-after($rest, '+'), ':', ''))"/>
            </xsl:when>
            <xsl:when test="contains(substring($rest, 6), '-')">
              <xsl:value-of select="concat('-', translate(substring-after(substring($rest, 6), '-'), ':', ''))"/>
            </xsl:when>
            <xsl:otherwise>GMT</xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <xsl:call-template name="weekday">
          <xsl:with-param name="y" select="$y"/>
          <xsl:with-param name="m" select="$m"/>
          <xsl:with-param name="d" select="$d"/>
        </xsl:call-template>
        <xsl:value-of select="concat(', ', format-number($d, '00'), ' ',
                                     substring('JanFebMarAprMayJunJulAugSepOctNovDec', 3 * $m - 2, 3), ' ',
                                     $y, ' ', $clock, ' ', $zone)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- An RFC 822 date laid out again in full: "Thu, 7 Dec 17 9:05 -0800" becomes
       "Thu, 07 Dec 2017 09:05:00 -0800". A weekday (any spelling, or none), a day, an English
       month name, a year of four digits or of two (1930 to 2029), a clock time with or without
       seconds (none is midnight) and the zone as written. Anything else is passed on as it is. -->
  <xsl:template name="rfc822-relaid">
    <xsl:param name="text"/>
    <xsl:variable name="digits" select="'0123456789'"/>
    <xsl:variable name="first" select="substring-before(concat($text, ' '), ' ')"/>
    <xsl:variable name="a">
      <xsl:choose>
        <xsl:when test="contains($text, ',') and not(contains(substring-before($text, ','), ' '))
                        and translate(substring-before($text, ','), $digits, '') = substring-before($text, ',')">
          <xsl:value-of select="normalize-space(substring-after($text, ','))"/>
        </xsl:when>
        <xsl:when test="translate($first, $digits, '') = $first">
          <xsl:value-of select="substring-after($text, ' ')"/>
        </xsl:when>
        <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="day" select="substring-before($a, ' ')"/>
    <xsl:variable name="r1" select="substring-after($a, ' ')"/>
    <xsl:variable name="month" select="substring-before(concat($r1, ' '), ' ')"/>
    <xsl:variable name="r2" select="substring-after($r1, ' ')"/>
    <xsl:variable name="year" select="substring-before(concat($r2, ' '), ' ')"/>
    <xsl:variable name="r3" select="substring-after($r2, ' ')"/>
    <xsl:variable name="clock">
      <xsl:if test="contains(substring-before(concat($r3, ' '), ' '), ':')">
        <xsl:value-of select="substring-before(concat($r3, ' '), ' ')"/>
      </xsl:if>
    </xsl:variable>
    <xsl:variable name="zone">
      <xsl:choose>
        <xsl:when test="string($clock)"><xsl:value-of select="substring-after($r3, ' ')"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="$r3"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="months" select="'janfebmaraprmayjunjulaugsepoctnovdec'"/>
    <xsl:variable name="m3" select="translate(substring($month, 1, 3), 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')"/>
    <xsl:variable name="before" select="string-length(substring-before($months, $m3))"/>
    <xsl:variable name="hour" select="substring-before($clock, ':')"/>
    <xsl:variable name="after" select="substring-after($clock, ':')"/>
    <xsl:variable name="minute" select="substring($after, 1, 2)"/>
    <xsl:variable name="second">
      <xsl:choose>
        <xsl:when test="string-length($after) = 5"><xsl:value-of select="substring($after, 4, 2)"/></xsl:when>
        <xsl:otherwise>00</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:choose>
      <xsl:when test="string-length($day) &gt;= 1 and string-length($day) &lt;= 2
                      and translate($day, $digits, '') = '' and number($day) &gt;= 1 and number($day) &lt;= 31
                      and string-length($m3) = 3 and contains($months, $m3) and $before mod 3 = 0
                      and (string-length($year) = 2 or string-length($year) = 4)
                      and translate($year, $digits, '') = ''
                      and (not(string($clock))
                           or (string-length($hour) &gt;= 1 and string-length($hour) &lt;= 2
                               and translate($hour, $digits, '') = '' and number($hour) &lt; 24
                               and ((string-length($after) = 2 and translate($after, $digits, '') = '')
                                    or (string-length($after) = 5 and substring($after, 3, 1) = ':'
                                        and translate($after, $digits, '') = ':'))
                               and number($minute) &lt; 60 and number($second) &lt; 60))">
        <xsl:variable name="m" select="$before div 3 + 1"/>
        <xsl:variable name="y">
          <xsl:choose>
            <xsl:when test="string-length($year) = 4"><xsl:value-of select="number($year)"/></xsl:when>
            <xsl:when test="number($year) &lt; 30"><xsl:value-of select="2000 + number($year)"/></xsl:when>
            <xsl:otherwise><xsl:value-of select="1900 + number($year)"/></xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <xsl:call-template name="weekday">
          <xsl:with-param name="y" select="number($y)"/>
          <xsl:with-param name="m" select="$m"/>
          <xsl:with-param name="d" select="number($day)"/>
        </xsl:call-template>
        <xsl:value-of select="concat(', ', format-number($day, '00'), ' ',
                                     substring('JanFebMarAprMayJunJulAugSepOctNovDec', 3 * $m - 2, 3), ' ', $y)"/>
        <xsl:choose>
          <xsl:when test="string($clock)">
            <xsl:value-of select="concat(' ', format-number($hour, '00'), ':', $minute, ':', $second)"/>
          </xsl:when>
          <xsl:otherwise> 00:00:00</xsl:otherwise>
        </xsl:choose>
        <xsl:if test="string($zone)"><xsl:value-of select="concat(' ', $zone)"/></xsl:if>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The English abbreviation of a day's weekday, by Sakamoto's method. -->
  <xsl:template name="weekday">
    <xsl:param name="y"/>
    <xsl:param name="m"/>
    <xsl:param name="d"/>
    <xsl:variable name="yy" select="$y - ($m &lt; 3)"/>
    <xsl:variable name="offsets" select="'0 3 2 5 0 3 5 1 4 6 2 4 '"/>
    <xsl:variable name="tm" select="number(substring($offsets, 2 * $m - 1, 1))"/>
    <xsl:variable name="w" select="($yy + floor($yy div 4) - floor($yy div 100) + floor($yy div 400) + $tm + $d) mod 7"/>
    <xsl:value-of select="substring('SunMonTueWedThuFriSat', 3 * $w + 1, 3)"/>
  </xsl:template>
</xsl:stylesheet>
